// Text files as other programs write them: CSV with quoted fields, line breaks inside quotes,
// UTF-8 and UTF-16 with or without a byte-order mark, imported silently end to end.
#include <gtest/gtest.h>

#include "control/settings.h"
#include "test_support.h"
#include "vandrel/app_folder.h"
#include "vandrel/import.h"
#include "vandrel/spec_files.h"
#include "vandrel/vandrel_ctl.h"

namespace vandrel {
namespace {

using test::Query;
using Rows = std::vector<std::vector<std::string>>;

class RealTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings() = Settings{};
    SetApplicationFolder(dir.path().string());
    db = dir.file("people.db");
    test::RunSql(db, R"(
      CREATE TABLE People(first TEXT, last TEXT, city TEXT, zip TEXT);
      CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);)");
    ctl.InitProperties();
    ctl.setLanguage(lEnglish);
    ctl.setMDBFile(db);
    ctl.setTabImport("People");
    ctl.setTabError("Errori");
    ctl.setNumField(3);
    const char* columns[] = {"first", "last", "city", "zip"};
    for (std::int16_t x = 0; x < 4; ++x) {
      ctl.setInfoField(x, 1, columns[x]);
      ctl.setInfoField(x, 5, std::to_string(x));
    }
    ASSERT_TRUE(
        specs::Append(dir.path().string(), "csv", specs::DelimitedSpecRecord{"csv", ",", "\"", 0}));
    ASSERT_TRUE(specs::Append(dir.path().string(), "tsv",
                              specs::DelimitedSpecRecord{"tsv", "{TAB}", "{NONE}", 1}));
  }
  void TearDown() override { SetApplicationFolder({}); }

  void Import(const std::string& bytes, const char* spec = "csv", const char* encoding = "auto") {
    test::WriteFile(dir.file("in.txt"), bytes);
    ctl.setEncoding(encoding);
    ctl.setFileType(fDelimited);
    ctl.setImportFile(dir.file("in.txt"));
    ctl.setSpecificationName(spec);
    ctl.setAction(aBackground);
  }
  Rows People() { return Query(db, "SELECT first, last, city, zip FROM People ORDER BY rowid"); }
  Rows Errors() { return Query(db, "SELECT NumRiga, CodErr, MsgErr FROM Errori ORDER BY rowid"); }

  test::TempDir dir;
  std::string db;
  VandrelCtl ctl;
};

TEST_F(RealTextTest, SpreadsheetCsvKeepsSeparatorsQuotesAndLineBreaksInsideQuotes) {
  Import(
      "John,Doe,120 any st.,\"Anytown, WW\"\r\n"
      "1,\"ha \"\"ha\"\" ha\",x,y\r\n"
      "\"Once upon \r\na time\",5,6,7\r\n"
      "\"Lf\nonly\",\"Cr\ronly\",c,d\n"
      "5'10\",tall,z,\n");
  EXPECT_EQ(ctl.ImportResult(), eResult::Success);
  EXPECT_EQ(People(), (Rows{{"John", "Doe", "120 any st.", "Anytown, WW"},
                            {"1", "ha \"ha\" ha", "x", "y"},
                            {"Once upon \r\na time", "5", "6", "7"},
                            {"Lf\nonly", "Cr\ronly", "c", "d"},
                            {"5'10\"", "tall", "z", ""}}));
}

TEST_F(RealTextTest, AnUnclosedQuoteCostsOnlyItsOwnLine) {
  Import("a,b,c,d\n\"never closed,x,y,z\nafter,1,2,3\nlast,4,5,6\n");
  EXPECT_EQ(ctl.ImportResult(), eResult::SError);
  EXPECT_EQ(People(),
            (Rows{{"a", "b", "c", "d"}, {"after", "1", "2", "3"}, {"last", "4", "5", "6"}}));
  EXPECT_EQ(Errors(),
            (Rows{{"2", "31001", "The text delimiter \" opened on line 2 is never closed."}}));
  // Lines are numbered as in the file: a two-line record moves the count on by two.
  Import("\"two\nlines\",p,q,r\nx,\"open\n");
  EXPECT_EQ(People().back(), (Rows::value_type{"two\nlines", "p", "q", "r"}));
  EXPECT_EQ(Errors().back()[0], "3");
}

TEST_F(RealTextTest, Utf8WithOrWithoutAMarkAndAnInvalidLine) {
  Import("\xEF\xBB\xBF\xC3\x85land Islands,AX,Mariehamn,22100\n");
  Import("C\xC3\xB4te d'Ivoire,CI,Yamoussoukro,\n");
  Import("ok,1,2,3\nbad \xFF,1,2,3\nC\xC3\xB4te,4,5,6\n", "csv", "utf-8");
  EXPECT_EQ(People(), (Rows{{"\u00C5land Islands", "AX", "Mariehamn", "22100"},
                            {"C\u00F4te d'Ivoire", "CI", "Yamoussoukro", ""},
                            {"ok", "1", "2", "3"},
                            {"C\u00F4te", "4", "5", "6"}}));
  const Rows errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0][0], "2");
  EXPECT_EQ(errors[0][1], "31003");
  EXPECT_EQ(errors[0][2], "Line 2 is not valid utf-8 text.");
  // Windows-1252 text stays what it always was.
  Import("Citt\xE0,Perch\xE9,\x80,x\n");
  EXPECT_EQ(People().back(), (Rows::value_type{"Citt\u00E0", "Perch\u00E9", "\u20AC", "x"}));
}

TEST_F(RealTextTest, Utf16UnicodeTextAsOfficeSuitesSaveIt) {
  std::string bytes = "\xFF\xFE";
  for (char16_t u :
       std::u16string(u"name\tlast\tcity\tzip\r\n\u00C5sa\tL\u00F6f\t\u6771\u4EAC\t1\r\n")) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  Import(bytes, "tsv");
  EXPECT_EQ(ctl.ImportResult(), eResult::Success);
  EXPECT_EQ(People(), (Rows{{"\u00C5sa", "L\u00F6f", "\u6771\u4EAC", "1"}}));
}

TEST_F(RealTextTest, FixedWidthColumnsCountCharactersOfUtf8Text) {
  specs::FixedSpecRecord layout;
  layout.SpecName = "fix";
  layout.FieldSeparator = "{NONE}";
  layout.TextDelimiter = "{NONE}";
  const char* limits[][2] = {{"1", "6"}, {"7", "11"}, {"12", "13"}, {"14", "18"}};
  for (std::size_t j = 0; j < 4; ++j) {
    layout.FieldBegin[j] = limits[j][0];
    layout.FieldEnd[j] = limits[j][1];
  }
  ASSERT_TRUE(specs::Append(dir.path().string(), "fix", layout));
  test::WriteFile(dir.file("fixed.txt"),
                  "\xC3\x85land L\xC3\xB6"
                  "f  CI12345\nCitt\xC3\xA0 RossiIT00100\n");
  ctl.setFileType(fFixedWidth);
  ctl.setImportFile(dir.file("fixed.txt"));
  ctl.setSpecificationName("fix");
  ctl.setAction(aBackground);
  EXPECT_EQ(People(), (Rows{{"\u00C5land", "L\u00F6f", "CI", "12345"},
                            {"Citt\u00E0", "Rossi", "IT", "00100"}}));
}

}  // namespace
}  // namespace vandrel
