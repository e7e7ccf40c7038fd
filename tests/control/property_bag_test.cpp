#include "vandrel/property_bag.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "control/settings.h"
#include "test_support.h"
#include "vandrel/vandrel_ctl.h"

namespace vandrel {
namespace {

using test::CatchError;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class PropertyBagTest : public ::testing::Test {
 protected:
  void SetUp() override { settings() = Settings{}; }
  test::TempDir dir;
  VandrelCtl ctl;
};

TEST_F(PropertyBagTest, WritesEveryKeyAndReadsThemBack) {
  ctl.InitProperties();
  settings().ImportFile = "/data/in.txt";
  settings().MDBPassword = "busy_timeout=10";
  settings().NumField = 4;
  settings().OverWriteTab = true;
  settings().AsktoAppend = false;
  settings().Language = 3000;
  settings().ImportResult = 3;
  settings().LastInfoFieldValue = "Nome";
  settings().TabImport = "Clienti";
  ctl.setEncoding("UTF-16LE");
  settings().Format = {',', store::DateOrder::MDY};

  MemoryPropertyBag bag;
  ctl.WriteProperties(bag);
  std::vector<std::string> keys;
  for (const auto& entry : bag.entries()) keys.push_back(entry.first);
  EXPECT_EQ(keys,
            (std::vector<std::string>{"AsktoAppend", "FileType", "ImportFile", "ImportResult",
                                      "InfoField", "Language", "MDBFile", "MDBPassword", "NumField",
                                      "OverwriteTab", "SpecificationName", "TabError", "TabImport",
                                      "Encoding", "DecimalSeparator", "DateOrder"}));
  EXPECT_EQ(bag.ReadProperty("DecimalSeparator"), ",");
  EXPECT_EQ(bag.ReadProperty("DateOrder"), "MDY");

  const Settings saved = settings();
  ctl.InitProperties();
  ctl.ReadProperties(bag);
  const Settings& s = settings();
  EXPECT_EQ(s.ImportFile, saved.ImportFile);
  EXPECT_EQ(s.MDBPassword, saved.MDBPassword);
  EXPECT_EQ(s.NumField, 4);
  EXPECT_TRUE(s.OverWriteTab);  // written as "OverwriteTab", read as "OverWriteTab"
  EXPECT_FALSE(s.AsktoAppend);
  EXPECT_EQ(ctl.Language(), lFrench);
  EXPECT_EQ(ctl.ImportResult(), eResult::SError);
  EXPECT_EQ(s.LastInfoFieldValue, "Nome");
  EXPECT_EQ(s.TabImport, "Clienti");
  EXPECT_EQ(ctl.Encoding(), "utf-16le");
  EXPECT_EQ(CatchError([&] { ctl.setEncoding("latin1"); }).number(), 380);
  EXPECT_EQ(s.Format, saved.Format);
  // Loading does not create the matrix.
  EXPECT_EQ(CatchError([&] { ctl.setInfoField(1, 0, "x"); }).number(), 9);
}

TEST_F(PropertyBagTest, MissingKeysTakeTheDefaultsAndBadValuesChangeNothing) {
  MemoryPropertyBag bag;
  bag.WriteProperty("overwritetab", "True");
  bag.WriteProperty("TABIMPORT", "Ordini");
  settings().ImportResult = 1;
  settings().Format = {',', store::DateOrder::DMY};
  ctl.ReadProperties(bag);
  EXPECT_EQ(ctl.DecimalSeparator(), ".");
  EXPECT_EQ(ctl.DateOrder(), "YMD");
  EXPECT_TRUE(ctl.OverWriteTab());
  EXPECT_EQ(ctl.TabImport(), "Ordini");
  EXPECT_EQ(ctl.ImportResult(), eResult::Abort);
  EXPECT_TRUE(ctl.AsktoAppend());
  EXPECT_EQ(ctl.FileType(), fFixedWidth);
  EXPECT_EQ(settings().Language, 1000);

  MemoryPropertyBag bad;
  bad.WriteProperty("TabImport", "Altro");
  bad.WriteProperty("FileType", "uno");
  EXPECT_EQ(CatchError([&] { ctl.ReadProperties(bad); }).number(), 13);
  bad.WriteProperty("FileType", "0");
  bad.WriteProperty("NumField", "40000");
  EXPECT_EQ(CatchError([&] { ctl.ReadProperties(bad); }).number(), 6);
  bad.WriteProperty("NumField", "4");
  bad.WriteProperty("DecimalSeparator", ";");
  EXPECT_EQ(CatchError([&] { ctl.ReadProperties(bad); }).number(), 13);
  bad.WriteProperty("DecimalSeparator", ",");
  bad.WriteProperty("DateOrder", "dmy");
  EXPECT_EQ(CatchError([&] { ctl.ReadProperties(bad); }).number(), 13);
  EXPECT_EQ(ctl.TabImport(), "Ordini");
  EXPECT_EQ(ctl.DecimalSeparator(), ".");
}

TEST_F(PropertyBagTest, IniFileKeepsAwkwardValuesAndOtherSections) {
  const std::string path = dir.file("form.ini");
  test::WriteFile(
      path,
      "[Other]\nkey=value ; with semicolon? no: comments off\n\n[VandrelCtl]\nTabImport=Old\n");
  IniPropertyBag bag;
  bag.Load(path);
  EXPECT_EQ(bag.ReadProperty("tabimport"), "Old");

  const std::string awkward = " lead; #hash \"quoted\" back\\slash\r\nnext line, città ";
  bag.WriteProperty("MDBFile", awkward);
  bag.WriteProperty("TabImport", "New");
  bag.Save(path);

  IniPropertyBag again;
  again.Load(path);
  EXPECT_EQ(again.ReadProperty("MDBFile"), awkward);
  EXPECT_EQ(again.ReadProperty("TabImport"), "New");
  IniPropertyBag other("Other");
  other.Load(path);
  EXPECT_EQ(other.ReadProperty("key"), "value ; with semicolon? no: comments off");
  EXPECT_NE(ReadAll(path).find("TabImport=New\n"), std::string::npos);

  IniPropertyBag missing;
  missing.Load(dir.file("none.ini"));
  EXPECT_TRUE(missing.entries().empty());
  test::WriteFile(path, "[VandrelCtl]\nthis line has no equals sign\n");
  EXPECT_EQ(CatchError([&] { missing.Load(path); }).number(), 75);
}

TEST_F(PropertyBagTest, EveryValueSavedIsLoadedBackHoweverLong) {
  // Each ';' is written as a four-byte escape: a line of 1.2 MB, and one of 3 MB beside it.
  const std::string path = dir.file("form.ini");
  const std::string semicolons(300'000, ';');
  const std::string plain(3'000'000, 'p');
  IniPropertyBag bag;
  bag.WriteProperty("MDBFile", semicolons);
  bag.WriteProperty("ImportFile", plain);
  bag.Save(path);
  ASSERT_GT(ReadAll(path).size(), 4'200'000u);

  IniPropertyBag again;
  again.Load(path);
  EXPECT_EQ(again.ReadProperty("MDBFile"), semicolons);
  EXPECT_EQ(again.ReadProperty("ImportFile"), plain);
  bag.Save(path);  // a save reads the existing file first
}

TEST_F(PropertyBagTest, AFolderIsRefusedNotReadAsAnEmptyBag) {
  IniPropertyBag bag;
  EXPECT_EQ(CatchError([&] { bag.Load(dir.path().string()); }).number(), kErrFileNotFound);
}

TEST_F(PropertyBagTest, ControlRoundTripsThroughAnIniFile) {
  settings().SpecificationName = "Mensile; marzo";
  settings().OverWriteTab = true;
  IniPropertyBag bag;
  ctl.WriteProperties(bag);
  bag.Save(dir.file("form.ini"));
  settings() = Settings{};
  IniPropertyBag loaded;
  loaded.Load(dir.file("form.ini"));
  ctl.ReadProperties(loaded);
  EXPECT_EQ(ctl.SpecificationName(), "Mensile; marzo");
  EXPECT_TRUE(ctl.OverWriteTab());
}

}  // namespace
}  // namespace vandrel
