// The wizard's rules that need no window: the lines-to-skip box, the limits grid, the ruler
// and the InfoField lookups.
#include "wizard/wizard_logic.h"

#include <gtest/gtest.h>

namespace vandrel::wizard {
namespace {

TEST(WizardLogic, LinesToSkipTakesWholeNumbersAndRoundsHalvesToEven) {
  EXPECT_EQ(LinesToSkip(" 3 "), 3);
  EXPECT_EQ(LinesToSkip("2.5"), 2);
  EXPECT_EQ(LinesToSkip("3.5"), 4);
  EXPECT_EQ(LinesToSkip("+1"), 1);
  for (const char* bad : {"", "abc", "-1", "40000", "1e9", "nan", "inf", "1,5"}) {
    EXPECT_EQ(LinesToSkip(bad), std::nullopt) << bad;
  }
}

TEST(WizardLogic, TheLimitsGridEndsAtTheFirstEmptyOrZeroBegin) {
  Limits l = ReadLimits({{"1", "4"}, {" 5", "8 "}, {"", "9"}, {"10", "12"}});
  ASSERT_EQ(l.columns.size(), 2u);
  EXPECT_EQ(l.columns[1].begin, 5);
  EXPECT_EQ(l.columns[1].end, 8);
  EXPECT_EQ(l.badRow, 0);
  EXPECT_FALSE(l.reversed);

  EXPECT_EQ(ReadLimits({{"1", "4"}, {"0", "9"}, {"10", "12"}}).columns.size(), 1u);
  EXPECT_TRUE(ReadLimits({{"1", "4"}, {"9", "5"}}).reversed);
  // A row with a BEGIN and no END, or a limit past 16 bits, is named by its number.
  EXPECT_EQ(ReadLimits({{"1", "4"}, {"5", ""}}).badRow, 2);
  EXPECT_EQ(ReadLimits({{"40000", "40001"}}).badRow, 1);
  // A layout holds 31 fields.
  std::vector<LimitTexts> many(32, {"1", "1"});
  EXPECT_EQ(ReadLimits(many).badRow, 32);
}

TEST(WizardLogic, TheRulerLabelsEndOverTheirBlocks) {
  EXPECT_EQ(Ruler(25),
            "        10        20        30\n"
            "12345678901234567890123456789012345\n");
  const std::string wide = Ruler(105);
  const std::string labels = wide.substr(0, wide.find('\n'));
  for (int label : {10, 100, 110}) {
    const std::string text = std::to_string(label);
    EXPECT_EQ(labels.find(text) + text.size(), static_cast<std::size_t>(label)) << label;
  }
}

TEST(WizardLogic, FieldLookupsFindTheFirstMatchingRow) {
  std::vector<InfoFieldRow> rows(3);
  rows[0][kFieldName] = "Codice";
  rows[1][kFieldName] = "Nome";
  rows[2][kFieldName] = "Nome";
  rows[2][kRequired] = "1";
  EXPECT_EQ(FieldRow(rows, "Nome"), 1);
  EXPECT_EQ(FieldRow(rows, "nome"), -1);  // letter case counts
  EXPECT_EQ(FirstUnassociatedRequired(rows), 2);
  rows[2][kAssociatedColumn] = "0";
  EXPECT_EQ(FirstUnassociatedRequired(rows), -1);
  EXPECT_EQ(LeadingNumber("4"), 4);
  EXPECT_EQ(LeadingNumber(" -2x"), -2);
  EXPECT_EQ(LeadingNumber("x4"), 0);
}

}  // namespace
}  // namespace vandrel::wizard
