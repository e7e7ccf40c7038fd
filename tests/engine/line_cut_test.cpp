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
  const FixedCutter cutter(MakeFixedLayout(sep, delim, 0, std::move(columns)));
  std::vector<std::string_view> fields;
  cutter.Cut(line, fields);
  return Strings(fields.begin(), fields.end());
}

TEST(LineCut, DelimitedFieldsEmptiesAndTrailingSeparators) {
  EXPECT_EQ(CutDelimited("a;b;c;d", ";"), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(CutDelimited("a;;b", ";"), (Strings{"a", "", "b"}));
  EXPECT_EQ(CutDelimited("a;b;", ";"), (Strings{"a", "b"}));  // nothing after the last field
  EXPECT_EQ(CutDelimited("a\tb", "{TAB}"), (Strings{"a", "b"}));
  EXPECT_EQ(CutDelimited("", ";"), Strings{});
}

TEST(LineCut, QuotedFieldsAsSpreadsheetsWriteThem) {
  EXPECT_EQ(CutDelimited("John,Doe,120 any st.,\"Anytown, WW\",08123", ",", "\""),
            (Strings{"John", "Doe", "120 any st.", "Anytown, WW", "08123"}));
  EXPECT_EQ(CutDelimited("1,\"ha \"\"ha\"\" ha\"", ",", "\""), (Strings{"1", "ha \"ha\" ha"}));
  EXPECT_EQ(CutDelimited("\"Once upon \r\na time\",5,6", ",", "\""),
            (Strings{"Once upon \r\na time", "5", "6"}));
  EXPECT_EQ(CutDelimited("\"\",,\"\"\"\"", ",", "\""), (Strings{"", "", "\""}));
  // Text after the closing delimiter is kept; a delimiter inside an ordinary field is text.
  EXPECT_EQ(CutDelimited("\"ab\"cd;5'10\";x", ";", "\""), (Strings{"abcd", "5'10\"", "x"}));
  // Blanks before the delimiter make an ordinary field.
  EXPECT_EQ(CutDelimited(" \"a;b\"", ";", "\""), (Strings{" \"a", "b\""}));
  // Without a delimiter nothing is quoted.
  EXPECT_EQ(CutDelimited("\"a;b\"", ";"), (Strings{"\"a", "b\""}));
  // One character as both separates.
  EXPECT_EQ(CutDelimited("a,b", ",", ","), (Strings{"a", "b"}));
}

TEST(LineCut, TokensOfEveryLanguageNameTheirCharacter) {
  EXPECT_EQ(LayoutCharacter("{TAB}", "x"), U'\t');
  for (const char* space : {"{SPAZIO}", "{SPACE}", "{ESPACE}", "{ESPACIO}"}) {
    EXPECT_EQ(LayoutCharacter(space, "x"), U' ') << space;
  }
  for (const char* none : {"{NESSUNO}", "{NONE}", "{AUCUN}", "{NINGUNO}"}) {
    EXPECT_EQ(LayoutCharacter(none, "x"), std::nullopt) << none;
    EXPECT_TRUE(IsNoneToken(none));
  }
  EXPECT_EQ(LayoutCharacter(";", "x"), U';');
  EXPECT_EQ(LayoutCharacter("\u00E0", "x"), U'\u00E0');
  EXPECT_EQ(LayoutCharacter("\u20AC;", "x"), U'\u20AC');  // the first character only
  EXPECT_EQ(LayoutCharacter("\u4E2D", "x"), U'\u4E2D');   // read from UTF-8 and UTF-16 files
  EXPECT_EQ(test::CatchError([] { LayoutCharacter("", "field separator"); }).number(), 5);
  // A delimited layout needs a separator.
  EXPECT_EQ(test::CatchError([] { MakeDelimitedLayout("{NONE}", "\"", 0); }).number(), 5);
}

TEST(LineCut, SeparatorsBeyondAsciiCutUtf8Text) {
  EXPECT_EQ(CutDelimited("Mario\u00A6\u00ABRo\u00A6ma\u00AB", "\u00A6", "\u00AB"),
            (Strings{"Mario", "Ro\u00A6ma"}));
}

TEST(LineCut, FixedColumnsCountCharactersNotBytes) {
  EXPECT_EQ(CutFixed("\u00C5land  Citt\u00E0", {{1, 5}, {8, 12}}),
            (Strings{"\u00C5land", "Citt\u00E0"}));
  EXPECT_EQ(CutFixed("\U0001F600xy", {{2, 3}}), (Strings{"xy"}));
}

TEST(LineCut, FixedFieldsTrimThenDropSeparatorAndEnclosingDelimiters) {
  EXPECT_EQ(CutFixed("ab cde fg", {{3, 5}}), Strings{"cd"});
  EXPECT_EQ(CutFixed("ab", {{3, 5}}), Strings{""});
  EXPECT_EQ(CutFixed("abcdef", {{4, 99}, {2, 2}}), (Strings{"def", "b"}));
  // The separator goes only when it is the last character.
  EXPECT_EQ(CutFixed("12;  x", {{1, 5}}, ";"), Strings{"12"});
  EXPECT_EQ(CutFixed("12  ;x", {{1, 5}}, ";"), Strings{"12"});
  EXPECT_EQ(CutFixed("1;2  x", {{1, 5}}, ";"), Strings{"1;2"});
  // The delimiter goes only at the ends, one character at each.
  EXPECT_EQ(CutFixed("\"ab\"c", {{1, 4}}, "{NONE}", "\""), Strings{"ab"});
  EXPECT_EQ(CutFixed("a\"b", {{1, 3}}, "{NONE}", "\""), Strings{"a\"b"});
  EXPECT_EQ(CutFixed("\"", {{1, 1}}, "{NONE}", "\""), Strings{""});
  EXPECT_EQ(CutFixed("\"ab\";", {{1, 5}}, ";", "\""), Strings{"ab"});
}

TEST(LineCut, ColumnRangesMustRunForwards) {
  EXPECT_NO_THROW(MakeFixedLayout("{NONE}", "{NONE}", 0, {{1, 5}, {6, 6}}));
  EXPECT_EQ(test::CatchError([] {
              MakeFixedLayout("{NONE}", "{NONE}", 0, {{1, 5}, {7, 3}});
            }).number(),
            5);
  EXPECT_EQ(test::CatchError([] { MakeFixedLayout("{NONE}", "{NONE}", 0, {{0, 3}}); }).number(), 5);
}

}  // namespace
}  // namespace vandrel
