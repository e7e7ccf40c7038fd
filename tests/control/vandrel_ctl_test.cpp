#include "vandrel/vandrel_ctl.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "control/settings.h"
#include "test_support.h"
#include "vandrel/store.h"

namespace vandrel {
namespace {

using test::CatchError;

class VandrelCtlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings() = Settings{};
    ctl.PropertyChanged = [this](std::string_view name) { changed.emplace_back(name); };
    db = dir.file("anagrafe.db");
    test::RunSql(db,
                 "CREATE TABLE Clienti(nome TEXT); CREATE TABLE Errori(NumRiga INTEGER, "
                 "CodErr INTEGER, MsgErr TEXT);");
  }

  test::TempDir dir;
  std::string db;
  VandrelCtl ctl;
  std::vector<std::string> changed;
};

TEST_F(VandrelCtlTest, NumFieldRecreatesAnEmptyMatrixAndRefusesLessThanOne) {
  ctl.setNumField(2);
  ctl.setInfoField(1, 1, "kept");
  for (std::int16_t bad : {0, -1}) {
    const Error e = CatchError([&] { ctl.setNumField(bad); });
    EXPECT_EQ(e.number(), 380);
    EXPECT_EQ(e.source(), "Vandrel");
  }
  EXPECT_EQ(ctl.NumField(), 2);
  EXPECT_EQ(ctl.InfoField(1, 1), "kept");

  ctl.setNumField(3);
  EXPECT_EQ(ctl.InfoField(1, 1), "");
  EXPECT_EQ(ctl.InfoField(3, 8), "");  // rows 0..3, attributes 0..8
  EXPECT_EQ(CatchError([&] { ctl.InfoField(4, 0); }).number(), 9);
  EXPECT_EQ(CatchError([&] { ctl.InfoField(0, 9); }).number(), 9);
}

TEST_F(VandrelCtlTest, InfoFieldChecksYBeforeXWithTheFixedTexts) {
  ctl.setNumField(2);
  changed.clear();
  Error y = CatchError([&] { ctl.setInfoField(3, 9, "v"); });
  EXPECT_EQ(y.number(), 380);
  EXPECT_EQ(y.description(), "Il valore di Y deve essere un valore compreso tra 0 e 8.");
  Error x = CatchError([&] { ctl.setInfoField(3, 0, "v"); });
  EXPECT_EQ(x.number(), 380);
  EXPECT_EQ(
      x.description(),
      "Il valore di X deve essere un valore compreso tra 0e il valore della proprietà NumField.");
  EXPECT_EQ(CatchError([&] { ctl.setInfoField(-1, 0, "v"); }).description(), x.description());
  EXPECT_TRUE(changed.empty());

  ctl.setInfoField(2, 8, "last");
  ctl.setInfoField(1, 5, std::int64_t{5});
  EXPECT_EQ(ctl.InfoField(2, 8), "last");
  EXPECT_EQ(ctl.InfoField(1, 5), "5");
  EXPECT_EQ(settings().LastInfoFieldValue, "5");
  EXPECT_EQ(changed, (std::vector<std::string>{"InfoField", "InfoField"}));
}

TEST_F(VandrelCtlTest, InfoFieldWithoutAMatrixIsASubscriptError) {
  settings().NumField = 2;  // as after loading saved properties
  EXPECT_EQ(CatchError([&] { ctl.setInfoField(1, 1, "v"); }).number(), 9);
  EXPECT_EQ(CatchError([&] { ctl.InfoField(0, 0); }).number(), 9);
  EXPECT_EQ(CatchError([&] { ctl.InfoField(0, 0); }).description(), "Subscript out of range");
}

TEST_F(VandrelCtlTest, TablesNeedTheDatabaseFirstAndMatchLetterCase) {
  Error first = CatchError([&] { ctl.setTabError("Errori"); });
  EXPECT_EQ(first.number(), 380);
  EXPECT_EQ(first.description(), "Prima di impostare la tabella occorre impostare il database.");

  ctl.setMDBFile(db);
  ctl.setTabImport("Clienti");
  ctl.setTabError("Errori");
  EXPECT_EQ(ctl.TabImport(), "Clienti");

  Error wrongCase = CatchError([&] { ctl.setTabImport("clienti"); });
  EXPECT_EQ(wrongCase.number(), 380);
  EXPECT_EQ(wrongCase.description(),
            "La tabella passata come TabImport non esiste nel database\r(Verificare maiuscole e "
            "minuscole).");
  EXPECT_EQ(CatchError([&] { ctl.setTabError("Nessuna"); }).description(),
            "La tabella passata come TabError non esiste nel database\r(Verificare maiuscole e "
            "minuscole).");
  EXPECT_EQ(ctl.TabImport(), "Clienti");
  EXPECT_EQ(ctl.TabError(), "Errori");
  EXPECT_EQ(changed, (std::vector<std::string>{"MDBFile", "TabImport", "TabError"}));
}

TEST_F(VandrelCtlTest, ATableCheckOnADatabaseThatVanishedIsRefusedWithTheStoresCause) {
  ctl.setMDBFile(db);
  std::filesystem::remove(db);
  const Error e = CatchError([&] { ctl.setTabImport("Clienti"); });
  EXPECT_EQ(e.number(), 380);
  EXPECT_EQ(e.description().rfind("3024 ", 0), 0u) << e.description();
}

TEST_F(VandrelCtlTest, MDBFileIsTestOpenedAndKeptOnFailure) {
  ctl.setMDBFile(db);
  const std::string notADatabase = dir.file("note.txt");
  test::WriteFile(notADatabase, "just some text, long enough to not be a database header......");
  // Still 380, as for any property, but the description begins with the cause's number.
  const auto refusal = [&](const std::string& path) {
    const Error e = CatchError([&] { ctl.setMDBFile(path); });
    EXPECT_EQ(e.number(), 380) << path;
    return e.description();
  };
  EXPECT_EQ(refusal(dir.file("missing.db")).rfind("3024 The database file '", 0), 0u);
  EXPECT_EQ(refusal(notADatabase).rfind("3051 ", 0), 0u);
  EXPECT_EQ(refusal(dir.path().string()).rfind("3051 ", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing.db")));  // never created

  ctl.setMDBPassword("PWD=secret");  // a connect string SQLite cannot honour
  EXPECT_EQ(refusal(db).rfind("3001 The connect string's 'PWD' ", 0), 0u) << refusal(db);
  {
    // Another connection holds the database locked.
    ctl.setMDBPassword("busy_timeout=0");
    test::RunSql(db, "PRAGMA journal_mode = DELETE");
    auto holder = store::OpenDatabase(db, true, false, "");
    holder->BeginTrans();
    holder->EmptyTable("Clienti");
    holder->CommitTrans();  // an exclusive connection keeps its lock after writing
    EXPECT_EQ(refusal(db).rfind("3260 ", 0), 0u) << refusal(db);
  }
  EXPECT_EQ(ctl.MDBFile(), db);
  ctl.setMDBPassword("busy_timeout=100");
  ctl.setMDBFile(db);
  EXPECT_EQ(ctl.MDBFile(), db);
}

TEST_F(VandrelCtlTest, ImportFileMustBeAReadableFile) {
  EXPECT_EQ(CatchError([&] { ctl.setImportFile(dir.file("none.txt")); }).number(), 380);
  EXPECT_EQ(CatchError([&] { ctl.setImportFile(dir.path().string()); }).number(), 380);
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.txt")));
  const std::string file = dir.file("data.txt");
  test::WriteFile(file, "");
  ctl.setImportFile(file);
  EXPECT_EQ(ctl.ImportFile(), file);
}

TEST_F(VandrelCtlTest, SmallPropertiesCheckTheirValues) {
  EXPECT_EQ(CatchError([&] { ctl.setFileType(2); }).number(), 380);
  ctl.setFileType(fDelimited);
  EXPECT_EQ(ctl.FileType(), fDelimited);

  EXPECT_EQ(CatchError([&] { ctl.setOverWriteTab(Boolean16(std::int16_t{1})); }).number(), 380);
  ctl.setOverWriteTab(Boolean16(std::int16_t{-1}));
  EXPECT_TRUE(ctl.OverWriteTab());
  ctl.setOverWriteTab(false);
  EXPECT_FALSE(ctl.OverWriteTab());

  ctl.setLanguage(lEnglish);
  EXPECT_EQ(settings().Language, 2000);
  EXPECT_EQ(ctl.Language(), lEnglish);
  ctl.setLanguage(9);  // no range check: a base without texts
  EXPECT_EQ(settings().Language, 9000);
  EXPECT_EQ(CatchError([&] { ctl.setLanguage(3'000'000); }).number(), 6);
  EXPECT_EQ(settings().Language, 9000);

  ctl.setImportResult(eResult::Success);
  EXPECT_EQ(ctl.ImportResult(), eResult::Success);
  EXPECT_EQ(changed, (std::vector<std::string>{"FileType", "OverWriteTab", "OverWriteTab",
                                               "Language", "Language", "ImportResult"}));
}

TEST_F(VandrelCtlTest, ValueFormatPropertiesTakeOnlyTheirNames) {
  EXPECT_EQ(ctl.DecimalSeparator(), ".");
  EXPECT_EQ(ctl.DateOrder(), "YMD");
  ctl.setDecimalSeparator(",");
  ctl.setDateOrder("DMY");
  ctl.setDateOrder("MDY");
  EXPECT_EQ(ctl.DecimalSeparator(), ",");
  EXPECT_EQ(ctl.DateOrder(), "MDY");
  for (const char* bad : {"", ";", " ,", ",,", "'"}) {
    const Error e = CatchError([&] { ctl.setDecimalSeparator(bad); });
    EXPECT_EQ(e.number(), 380) << bad;
    EXPECT_EQ(e.source(), "Vandrel");
  }
  for (const char* bad : {"", "dmy", "DYM", "YMD "}) {
    EXPECT_EQ(CatchError([&] { ctl.setDateOrder(bad); }).number(), 380) << bad;
  }
  EXPECT_EQ(settings().Format, (store::ValueFormat{',', store::DateOrder::MDY}));
  EXPECT_EQ(changed, (std::vector<std::string>{"DecimalSeparator", "DateOrder", "DateOrder"}));
  ctl.InitProperties();
  EXPECT_EQ(settings().Format, store::ValueFormat{});
}

TEST_F(VandrelCtlTest, InstancesShareOneSettingsBlock) {
  VandrelCtl other;
  ctl.InitProperties();
  EXPECT_EQ(other.ImportResult(), eResult::Abort);
  EXPECT_TRUE(other.AsktoAppend());
  EXPECT_EQ(other.FileType(), fFixedWidth);
  EXPECT_EQ(other.Language(), lItalian);

  ctl.setSpecificationName("Mensile");
  ctl.setNumField(1);
  ctl.setInfoField(1, 0, "Nome");
  EXPECT_EQ(other.SpecificationName(), "Mensile");
  EXPECT_EQ(other.InfoField(1, 0), "Nome");
  other.InitProperties();
  EXPECT_EQ(ctl.SpecificationName(), "");
  // The field rows go with NumField: no import runs on the rows of before.
  EXPECT_EQ(ctl.NumField(), 0);
  EXPECT_THROW(ctl.InfoField(1, 0), Error);
  EXPECT_TRUE(ctl.InfoFieldRows().empty());
}

}  // namespace
}  // namespace vandrel
