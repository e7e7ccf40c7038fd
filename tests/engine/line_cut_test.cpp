// Cutting a record into fields, by either kind of layout, from the texts the user types.
#include "engine/line_cut.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "vandrel/layout.h"

namespace vandrel {
namespace {

using Strings = std::vector<std::string>;

Strings CutDelimited(std::string_view line, std::string_view sep,
                     std::string_view delim = "{NONE}") {
  DelimitedCutter cutter(MakeDelimitedLayout(sep, delim, 0));
  std::vector<std::string_view> fields{"stale"};
  cutter.Cut(line, fields);
  return Strings(fields.begin(), fields.end());
}

Strings CutFixed(std::string_view line, std::vector<ColumnRange> columns,
                 std::string_view sep = "{NONE}", std::string_view delim = "{NONE}") {
  std::vector<std::string_view> fields;
  FixedCutter(MakeFixedLayout(sep, delim, 0, std::move(columns))).Cut(line, fields);
  return Strings(fields.begin(), fields.end());
}

// Quoting as spreadsheets write it is imported end to end by the command line's test; these
// are the corners.
TEST(LineCut, DelimitedFieldsQuotedOrNot) {
  EXPECT_EQ(CutDelimited("a;;b;", ";"), (Strings{"a", "", "b"}));  // nothing after the last
  EXPECT_EQ(CutDelimited("", ";"), Strings{});
  EXPECT_EQ(CutDelimited("\"\",,\"\"\"\"", ",", "\""), (Strings{"", "", "\""}));
  // Text after the closing delimiter is kept; a delimiter inside an ordinary field is text,
  // blanks before it making the field ordinary.
  EXPECT_EQ(CutDelimited("\"ab\"cd;5'10\";x", ";", "\""), (Strings{"abcd", "5'10\"", "x"}));
  EXPECT_EQ(CutDelimited(" \"a;b\"", ";", "\""), (Strings{" \"a", "b\""}));
  EXPECT_EQ(CutDelimited("\"a;b\"", ";"), (Strings{"\"a", "b\""}));  // no delimiter
  EXPECT_EQ(CutDelimited("a,b", ",", ","), (Strings{"a", "b"}));     // one character as both
}

TEST(LineCut, LayoutTextsNameTheirCharacterInEveryLanguage) {
  for (const char* space : {"{SPAZIO}", "{SPACE}", "{ESPACE}", "{ESPACIO}"}) {
    EXPECT_EQ(MakeDelimitedLayout(space, "{TAB}", 0).separator, U' ') << space;
  }
  for (const char* none : {"{NESSUNO}", "{NONE}", "{AUCUN}", "{NINGUNO}"}) {
    EXPECT_EQ(MakeDelimitedLayout(";", none, 0).delimiter, std::nullopt) << none;
  }
  EXPECT_EQ(MakeDelimitedLayout("{TAB}", "\u20AC;", 0).delimiter, U'\u20AC');  // first only
  EXPECT_EQ(MakeDelimitedLayout("\u4E2D", "'", 0).separator, U'\u4E2D');       // for Unicode files
  // No text, or no separator in a delimited layout, or columns that do not run forwards.
  EXPECT_EQ(test::CatchError([] { MakeDelimitedLayout("", "'", 0); }).number(), 5);
  EXPECT_EQ(test::CatchError([] { MakeDelimitedLayout("{NONE}", "\"", 0); }).number(), 5);
  EXPECT_EQ(test::CatchError([] { MakeFixedLayout("{NONE}", "", 0, {{1, 5}}); }).number(), 5);
  for (const ColumnRange bad : {ColumnRange{7, 3}, ColumnRange{0, 3}}) {
    EXPECT_EQ(test::CatchError([&] { MakeFixedLayout(";", ";", 0, {{1, 5}, bad}); }).number(), 5);
  }
}

// Columns of accented text, in UTF-8 and Windows-1252, are the command line's fixed-width import.
TEST(LineCut, FixedFieldsCountCharactersAndDropOnlyTheirEnds) {
  EXPECT_EQ(CutFixed("\U0001F600xy", {{2, 3}}), Strings{"xy"});
  EXPECT_EQ(CutFixed("ab cde fg", {{3, 5}, {4, 99}, {2, 2}, {10, 12}}),
            (Strings{"cd", "cde fg", "b", ""}));
  // The separator goes only when it is the last character, blanks before it too.
  EXPECT_EQ(CutFixed("12;  x", {{1, 5}}, ";"), Strings{"12"});
  EXPECT_EQ(CutFixed("12  ;x", {{1, 5}}, ";"), Strings{"12"});
  EXPECT_EQ(CutFixed("1;2  x", {{1, 5}}, ";"), Strings{"1;2"});
  // The delimiter goes only at the ends, one character at each.
  EXPECT_EQ(CutFixed("\"ab\"c", {{1, 4}}, "{NONE}", "\""), Strings{"ab"});
  EXPECT_EQ(CutFixed("a\"b", {{1, 3}}, "{NONE}", "\""), Strings{"a\"b"});
  EXPECT_EQ(CutFixed("\"", {{1, 1}}, "{NONE}", "\""), Strings{""});
  EXPECT_EQ(CutFixed("\"ab\";", {{1, 5}}, ";", "\""), Strings{"ab"});
}

}  // namespace
}  // namespace vandrel
