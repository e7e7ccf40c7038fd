#include "engine/line_cut.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vandrel {
namespace {

using Strings = std::vector<std::string>;

Strings Cut(std::string_view line, int sep, std::size_t size, std::size_t* overflow = nullptr) {
  std::vector<std::string_view> fields(size, "stale");
  const std::size_t n = CutDelimited(line, sep, fields);
  if (overflow) *overflow = n;
  return Strings(fields.begin(), fields.end());
}

TEST(LineCut, DelimitedFieldsEmptiesAndTrailingSeparators) {
  EXPECT_EQ(Cut("a;b;c;d", ';', 4), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(Cut("a;;b", ';', 4), (Strings{"a", "", "b", ""}));
  EXPECT_EQ(Cut("a;b;", ';', 3), (Strings{"a", "b", ""}));
  EXPECT_EQ(Cut("a;b;;;", ';', 2), (Strings{"a", "b"}));  // nothing after the last field
  EXPECT_EQ(Cut("a\tb", '\t', 2), (Strings{"a", "b"}));
}

TEST(LineCut, ALineWithTooManyFieldsSaysHowMany) {
  std::size_t overflow = 0;
  Cut("a;b;c;d", ';', 2, &overflow);
  EXPECT_EQ(overflow, 4u);
  Cut("a;b;c;", ';', 2, &overflow);
  EXPECT_EQ(overflow, 3u);
  Cut("a;b", ';', 2, &overflow);
  EXPECT_EQ(overflow, 0u);
}

TEST(LineCut, TokensOfEveryLanguageNameTheirCharacter) {
  for (const char* tab : {"{TAB}"}) EXPECT_EQ(CharacterCode(tab, -1, "x"), '\t');
  for (const char* space : {"{SPAZIO}", "{SPACE}", "{ESPACE}", "{ESPACIO}"}) {
    EXPECT_EQ(CharacterCode(space, -1, "x"), ' ') << space;
  }
  for (const char* none : {"{NESSUNO}", "{NONE}", "{AUCUN}", "{NINGUNO}"}) {
    EXPECT_EQ(CharacterCode(none, 0, "x"), 0) << none;
    EXPECT_TRUE(IsNoneToken(none));
  }
  EXPECT_EQ(CharacterCode(";", -1, "x"), ';');
  EXPECT_EQ(CharacterCode("\u00E0", -1, "x"), 0xE0);   // à, as the file's byte
  EXPECT_EQ(CharacterCode("\u20AC;", -1, "x"), 0x80);  // €, the first character only
  EXPECT_EQ(test::CatchError([] { CharacterCode("\u4E2D", -1, "x"); }).number(), 5);
  EXPECT_EQ(test::CatchError([] { CharacterCode("", -1, "field separator"); }).number(), 5);
}

TEST(LineCut, FixedFieldsTrimThenDropSeparatorAndEnclosingDelimiters) {
  EXPECT_EQ(CutFixedField("ab cde fg", 3, 5, -1, -1), "cd");
  EXPECT_EQ(CutFixedField("ab", 3, 5, -1, -1), "");
  EXPECT_EQ(CutFixedField("abcdef", 4, 99, -1, -1), "def");
  EXPECT_EQ(CutFixedField("abcdef", 2, 2, -1, -1), "b");
  // The separator goes only when it is the last character.
  EXPECT_EQ(CutFixedField("12;  x", 1, 5, ';', -1), "12");
  EXPECT_EQ(CutFixedField("12  ;x", 1, 5, ';', -1), "12");
  EXPECT_EQ(CutFixedField("1;2  x", 1, 5, ';', -1), "1;2");
  // The delimiter goes only at the ends, one character at each.
  EXPECT_EQ(CutFixedField("\"ab\"c", 1, 4, -1, '"'), "ab");
  EXPECT_EQ(CutFixedField("a\"b", 1, 3, -1, '"'), "a\"b");
  EXPECT_EQ(CutFixedField("\"", 1, 1, -1, '"'), "");
  EXPECT_EQ(CutFixedField("\"ab\";", 1, 5, ';', '"'), "ab");
}

TEST(LineCut, ColumnRangesMustRunForwards) {
  CheckColumnRanges({{1, 5}, {6, 6}});
  EXPECT_EQ(test::CatchError([] { CheckColumnRanges({{1, 5}, {7, 3}}); }).number(), 5);
  EXPECT_EQ(test::CatchError([] { CheckColumnRanges({{0, 3}}); }).number(), 5);
}

}  // namespace
}  // namespace vandrel
