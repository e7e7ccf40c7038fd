// The control's properties: each assignment is checked, a refused one throws (380, or the
// runtime's own number) and changes nothing, each accepted one is announced by name; and the
// saved properties. The command line's test assigns the table and database properties.
#include "vandrel/vandrel_ctl.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "vandrel/property_bag.h"

namespace vandrel {
namespace {

using test::CatchError;
using Names = std::vector<std::string>;

class VandrelCtlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetControl();
    ctl.PropertyChanged = [this](std::string_view name) { changed.emplace_back(name); };
  }
  std::int32_t Refused(const std::function<void()>& assignment) {
    return CatchError(assignment).number();
  }

  test::TempDir dir;
  VandrelCtl ctl;
  Names changed;
};

TEST_F(VandrelCtlTest, TheInfoFieldMatrixIsMadeByNumFieldAndChecksYBeforeX) {
  ctl.setNumField(2);
  ctl.setInfoField(1, 1, "kept");
  EXPECT_EQ(Refused([&] { ctl.setNumField(0); }), kErrInvalidProperty);
  EXPECT_EQ(ctl.NumField(), 2);
  EXPECT_EQ(ctl.InfoField(1, 1), "kept");
  const Error y = CatchError([&] { ctl.setInfoField(3, 9, "v"); });
  EXPECT_EQ(y.number(), kErrInvalidProperty);
  EXPECT_EQ(y.source(), "Vandrel");
  const std::string x = CatchError([&] { ctl.setInfoField(-1, 0, "v"); }).description();
  EXPECT_TRUE(y.description().starts_with("Il valore di Y ") && x.starts_with("Il valore di X "));
  ctl.setInfoField(2, 8, std::int64_t{5});
  EXPECT_EQ(ctl.InfoField(2, 8), "5");
  // A new NumField makes a new, empty matrix of rows 0..NumField and attributes 0..8.
  ctl.setNumField(3);
  EXPECT_EQ(ctl.InfoField(1, 1) + ctl.InfoField(3, 8), "");
  EXPECT_EQ(Refused([&] { ctl.InfoField(4, 0); }), kErrSubscript);
  EXPECT_EQ(Refused([&] { ctl.InfoField(0, 9); }), kErrSubscript);
  EXPECT_EQ(changed, (Names{"NumField", "InfoField", "InfoField", "NumField"}));
}

// Values each property refuses are met from Python, which sees the same errors; here, what it
// takes and how it says so.
TEST_F(VandrelCtlTest, SmallPropertiesTakeOnlyTheirValues) {
  ctl.setOverWriteTab(Boolean16(std::int16_t{-1}));
  EXPECT_TRUE(ctl.OverWriteTab());
  ctl.setLanguage(9);  // no range check: a language without texts
  EXPECT_EQ(Refused([&] { ctl.setLanguage(3'000'000); }), kErrOverflow);
  EXPECT_EQ(ctl.Language(), 9);
  ctl.setEncoding("UTF-16LE");
  EXPECT_EQ(ctl.Encoding(), "utf-16le");
  ctl.setDateOrder("MDY");
  EXPECT_EQ(ctl.DateOrder(), "MDY");
  // Action opens the wizard only in a host that has one.
  EXPECT_EQ(Refused([&] { ctl.setAction(aShowInterface); }), kErrNoWizard);
  EXPECT_EQ(changed, (Names{"OverWriteTab", "Language", "Encoding", "DateOrder"}));

  // Every instance shares the one settings block, which InitProperties sets back; the field
  // rows go with NumField, so no import runs on the rows of before.
  ctl.setNumField(1);
  VandrelCtl other;
  other.InitProperties();
  EXPECT_EQ(ctl.Encoding() + ctl.DateOrder(), "autoYMD");
  EXPECT_FALSE(ctl.OverWriteTab());
  EXPECT_EQ(ctl.Language(), lItalian);
  EXPECT_EQ(ctl.NumField(), 0);
  EXPECT_TRUE(ctl.InfoFieldRows().empty());
}

// Saved properties are read whole: names ignore letter case, missing ones take the defaults,
// and a bad value is refused and changes nothing. (The command line's test compares the file
// a host saves, name by name.)
TEST_F(VandrelCtlTest, SavedPropertiesAreReadWholeOrNotAtAll) {
  ctl.setImportResult(eResult::Success);
  ctl.setDecimalSeparator(",");
  MemoryPropertyBag few;
  few.WriteProperty("TABIMPORT", "Ordini");
  few.WriteProperty("overwritetab", "True");
  few.WriteProperty("NumField", "2");
  ctl.ReadProperties(few);
  EXPECT_EQ(ctl.TabImport(), "Ordini");
  EXPECT_TRUE(ctl.OverWriteTab() && ctl.AsktoAppend());
  EXPECT_EQ(ctl.ImportResult(), eResult::Abort);
  EXPECT_EQ(ctl.DecimalSeparator() + ctl.DateOrder() + ctl.Encoding(), ".YMDauto");
  EXPECT_EQ(ctl.FileType(), fFixedWidth);
  EXPECT_EQ(Refused([&] { ctl.setInfoField(1, 0, "x"); }), kErrSubscript);  // no matrix yet
  for (const auto& [name, value, number] : {std::tuple{"FileType", "uno", kErrTypeMismatch},
                                            {"NumField", "40000", kErrOverflow},
                                            {"DateOrder", "dmy", kErrTypeMismatch},
                                            {"Encoding", "latin1", kErrTypeMismatch}}) {
    MemoryPropertyBag bad;
    bad.WriteProperty("TabImport", "Altro");
    bad.WriteProperty(name, value);
    EXPECT_EQ(Refused([&] { ctl.ReadProperties(bad); }), number) << name;
  }
  EXPECT_EQ(ctl.TabImport(), "Ordini");
}

// Values are written on one line each however long, and read back whole. (The command line's
// test reads and writes awkward values and keeps other sections.)
TEST_F(VandrelCtlTest, AnIniFileGivesBackEveryValueHoweverLong) {
  const std::string path = dir.file("form.ini");
  IniPropertyBag bag, again, missing;
  bag.WriteProperty("MDBFile", std::string(300'000, ';'));  // a line of 1.2 MB of escapes
  bag.WriteProperty("ImportFile", std::string(3'000'000, 'p'));
  bag.Save(path);
  bag.Save(path);  // a save reads the existing file first
  again.Load(path);
  EXPECT_EQ(again.entries(), bag.entries());
  // A missing file is an empty bag; a folder, or a line that is not name=value, is refused.
  missing.Load(dir.file("none.ini"));
  EXPECT_TRUE(missing.entries().empty());
  EXPECT_EQ(Refused([&] { missing.Load(dir.path().string()); }), kErrFileNotFound);
  test::WriteFile(path, "[VandrelCtl]\nthis line has no equals sign\n");
  EXPECT_EQ(Refused([&] { missing.Load(path); }), kErrPathFileAccess);
}

}  // namespace
}  // namespace vandrel
