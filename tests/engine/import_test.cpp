#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "control/settings.h"
#include "test_support.h"
#include "vandrel/app_folder.h"
#include "vandrel/host_hooks.h"
#include "vandrel/import.h"
#include "vandrel/spec_files.h"
#include "vandrel/vandrel_ctl.h"

namespace vandrel {
namespace {

using test::CatchError;
using test::Query;
using Rows = std::vector<std::vector<std::string>>;

class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings() = Settings{};
    SetApplicationFolder(dir.path().string());
    db = dir.file("shop.db");
    test::RunSql(db, R"(
      CREATE TABLE Items(code TEXT, qty INTEGER, note TEXT DEFAULT 'none');
      CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);)");
    hostHooks().mousePointer = [this](MousePointer p) { pointer = p; };
    ctl.InitProperties();
    ctl.setMDBFile(db);
    ctl.setTabImport("Items");
    ctl.setTabError("Errori");
  }
  void TearDown() override {
    hostHooks().mousePointer = nullptr;
    hostHooks().progress = nullptr;
    hostHooks().bytesRead = nullptr;
    SetApplicationFolder({});
  }

  // Rows of InfoField: column name and associated field index ("" for none).
  void Fields(const std::vector<std::pair<std::string, std::string>>& rows) {
    ctl.setNumField(static_cast<std::int16_t>(std::max<std::size_t>(rows.size(), 2) - 1));
    for (std::size_t x = 0; x < rows.size(); ++x) {
      ctl.setInfoField(static_cast<std::int16_t>(x), kColumnName, rows[x].first);
      ctl.setInfoField(static_cast<std::int16_t>(x), kAssociatedColumn, rows[x].second);
    }
  }

  std::string TextFile(const std::string& bytes) {
    const std::string path = dir.file("in.txt");
    test::WriteFile(path, bytes);
    return path;
  }

  // What the wizard's loops take: the control's settings, a text file, the line fields.
  ImportRequest Request(const std::string& bytes) {
    ImportRequest request = RequestFromSettings(settings());
    request.textFile = TextFile(bytes);
    request.lineFields = static_cast<std::size_t>(ctl.NumField()) + 1;
    return request;
  }

  // A delimited import through the wizard's loop, with ';' and no text delimiter.
  void WizardDelimited(const std::string& bytes, std::int64_t skip = 0) {
    last = ImportaDelimitato(Request(bytes), MakeDelimitedLayout(";", "{NESSUNO}", skip));
  }

  // A silent import by a delimited layout saved as `name`.
  void SaveDelimited(const std::string& name, const std::string& sep, const std::string& delim,
                     std::int16_t skip = 0) {
    ASSERT_TRUE(specs::Append(dir.path().string(), name,
                              specs::DelimitedSpecRecord{name, sep, delim, skip}));
  }
  void Silent(const std::string& bytes, const std::string& spec, eFileType type = fDelimited) {
    ctl.setFileType(type);
    ctl.setImportFile(TextFile(bytes));
    ctl.setSpecificationName(spec);
    ctl.setAction(aBackground);
  }

  Rows Items() { return Query(db, "SELECT code, qty, note FROM Items ORDER BY rowid"); }
  Rows Errors() { return Query(db, "SELECT NumRiga, CodErr FROM Errori ORDER BY rowid"); }

  test::TempDir dir;
  std::string db;
  VandrelCtl ctl;
  MousePointer pointer = vbDefault;
  ImportOutcome last;
};

TEST_F(ImportTest, ABadLineBecomesAnErrorRowAndTheImportGoesOn) {
  Fields({{"code", "0"}, {"qty", "1"}});
  WizardDelimited("head;er\r\na;1\r\nb;two\r\n\r\nc;3\r\n", 1);
  EXPECT_EQ(Items(), (Rows{{"a", "1", "none"}, {"c", "3", "none"}}));
  EXPECT_EQ(Errors(), (Rows{{"2", "3421"}}));
  EXPECT_NE(Query(db, "SELECT MsgErr FROM Errori")[0][0].find("'two'"), std::string::npos);
  EXPECT_EQ(ResultOf(last), eResult::SError);
  EXPECT_EQ(last.counts.linesRead, 3);
  EXPECT_EQ(pointer, vbDefault);
}

TEST_F(ImportTest, InfoFieldRulesDecideWhatEachColumnGets) {
  Fields({{"code", "0"}, {"qty", ""}, {"note", ""}});
  ctl.setInfoField(1, kConstantValue, "7");  // no association, no new name: left alone
  ctl.setInfoField(2, kConstantValue, "fixed");
  ctl.setInfoField(2, kNewColumnName, "Nota");  // with a new name the constant is stored
  WizardDelimited("a;1\n");
  ctl.setInfoField(0, kConstantValue, "K");  // associated and constant: the constant wins
  WizardDelimited("b;2\n");
  EXPECT_EQ(Items(), (Rows{{"a", "NULL", "fixed"}, {"K", "NULL", "fixed"}}));
}

TEST_F(ImportTest, BadFieldRowsFailEveryLineWithTheirOwnError) {
  Fields({{"code", "x"}});
  WizardDelimited("a;1\nb;2\n");
  Fields({{"code", "5"}});
  WizardDelimited("a;1\n");
  Fields({{"colour", "0"}});
  WizardDelimited("a;1\n");
  EXPECT_EQ(Errors(), (Rows{{"1", "13"}, {"2", "13"}, {"1", "9"}, {"1", "3265"}}));
  EXPECT_TRUE(Items().empty());
}

TEST_F(ImportTest, ALineWithTooManyFieldsIsLoggedAndTheRestImported) {
  Fields({{"code", "0"}, {"qty", "1"}});
  WizardDelimited("a;1\nb;2;extra\nc;3\n");
  EXPECT_EQ(Items().size(), 2u);
  EXPECT_EQ(Errors(), (Rows{{"2", "9"}}));
  EXPECT_EQ(Query(db, "SELECT MsgErr FROM Errori")[0][0],
            "Subscript out of range: the line has 3 fields; 2 are expected.");
  EXPECT_FALSE(last.error);
}

TEST_F(ImportTest, MoreThan32767LinesImportWithTrueLineNumbers) {
  Fields({{"code", "0"}, {"qty", "1"}});
  std::string text;
  for (int i = 1; i <= 40000; ++i)
    text += "c;" + (i == 39999 ? std::string("bad") : std::to_string(i)) + "\n";
  WizardDelimited(text);
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Items")[0][0], "39999");
  EXPECT_EQ(Errors(), (Rows{{"39999", "3421"}}));
  EXPECT_EQ(last.counts.linesRead, 40000);
}

TEST_F(ImportTest, WizardFixedWidthCutsColumnsAndTextDelimiters) {
  Fields({{"code", "0"}, {"qty", "1"}});
  last = rigatxtfisso(Request("\"ab\" 12\n\"c\"  3 \n"),
                      MakeFixedLayout("{NONE}", "\"", 0, {{1, 5}, {6, 8}}));
  EXPECT_EQ(Items(), (Rows{{"ab", "12", "none"}, {"c", "3", "none"}}));
}

TEST_F(ImportTest, AnImportThatCannotRunSaysWhyAndChangesNothing) {
  Fields({{"code", "0"}});
  test::RunSql(db, "INSERT INTO Items VALUES ('old', 1, 'x')");
  ImportRequest request = Request("a;1\n");
  request.textFile = dir.file("missing.txt");
  request.emptyTarget = true;
  last = ImportaDelimitato(request, MakeDelimitedLayout(";", "{NONE}", 0));
  ASSERT_TRUE(last.error);
  EXPECT_EQ(last.error->number(), 53);
  EXPECT_FALSE(last.ran);
  EXPECT_EQ(ResultOf(last), eResult::Failure);
  EXPECT_EQ(Items().size(), 1u);
  EXPECT_EQ(pointer, vbDefault);

  // A missing error table is found before the target table is emptied.
  test::RunSql(db, "DROP TABLE Errori");
  request.textFile = TextFile("a;1\n");
  request.emptyErrors = true;
  last = ImportaDelimitato(request, MakeDelimitedLayout(";", "{NONE}", 0));
  ASSERT_TRUE(last.error);
  EXPECT_EQ(last.error->number(), 3078);
  EXPECT_EQ(Items().size(), 1u);
}

TEST_F(ImportTest, SilentImportFindsTheLayoutAndReportsTheTruth) {
  Fields({{"code", "0"}, {"qty", "1"}});
  SaveDelimited("Mensile", ";", "{NESSUNO}", 1);  // saved in Italian, used in English
  ctl.setLanguage(lEnglish);
  Silent("h;h\r\na;1\r\nb;2\r\nxy\r\n", "MENSILE");
  EXPECT_EQ(ctl.ImportResult(), eResult::Success);
  // A short data line is stored, not dropped; with one field only, qty stays empty (NULL).
  EXPECT_EQ(Items(), (Rows{{"a", "1", "none"}, {"b", "2", "none"}, {"xy", "NULL", "none"}}));

  Silent("h;h\nc;bad\nd;4\n", "mensile");
  EXPECT_EQ(ctl.ImportResult(), eResult::SError);
  EXPECT_EQ(Items().size(), 4u);  // appended

  ctl.setImportResult(eResult::Abort);
  Silent("h;h\nc;1\n", "nothing saved by this name");
  EXPECT_EQ(ctl.ImportResult(), eResult::Failure);
  EXPECT_EQ(pointer, vbDefault);
}

TEST_F(ImportTest, SilentImportChecksEverythingBeforeEmptyingTheTable) {
  Fields({{"code", "0"}, {"qty", "1"}});
  test::RunSql(db, "INSERT INTO Items VALUES ('old', 1, 'x')");
  SaveDelimited("Layout", ";", "{NONE}");
  ctl.setOverWriteTab(true);
  ctl.setFileType(fDelimited);
  ctl.setImportFile(TextFile("a;1\n"));
  ctl.setSpecificationName("Layout");
  std::filesystem::remove(dir.file("in.txt"));
  ctl.setImportResult(eResult::Abort);
  EXPECT_EQ(CatchError([&] { ctl.setAction(aBackground); }).number(), 53);
  EXPECT_EQ(Items().size(), 1u);  // the old row is still there
  EXPECT_EQ(ctl.ImportResult(), eResult::Abort);
  EXPECT_EQ(pointer, vbDefault);

  SaveDelimited("Blank", "", "{NONE}");
  EXPECT_EQ(CatchError([&] { Silent("a;1\n", "Blank"); }).number(), 5);
  EXPECT_EQ(Items().size(), 1u);

  Silent("a;1\n", "Layout");
  EXPECT_EQ(Items(), (Rows{{"a", "1", "none"}}));
}

TEST_F(ImportTest, LostErrorRowsMakeTheSilentImportAFailure) {
  Fields({{"code", "0"}, {"qty", "1"}});
  SaveDelimited("Layout", ";", "{NONE}");
  test::RunSql(db, "DROP TABLE Errori");
  Silent("a;1\nb;bad\nc;3\n", "Layout");
  EXPECT_EQ(ctl.ImportResult(), eResult::Failure);
  // A later good line does not hide the lost one.
  EXPECT_EQ(ctl.LastImportStats().errorRowsLost, 1);
  EXPECT_EQ(Items().size(), 2u);
}

TEST_F(ImportTest, SilentFixedWidthUsesTheSavedColumns) {
  Fields({{"code", "0"}, {"qty", "1"}});
  specs::FixedSpecRecord layout;
  layout.SpecName = "Fisso";
  layout.FieldSeparator = "{NESSUNO}";
  layout.TextDelimiter = "{NESSUNO}";
  layout.FieldBegin[0] = "1";
  layout.FieldEnd[0] = "4";
  layout.FieldBegin[1] = "5";
  layout.FieldEnd[1] = "7";
  ASSERT_TRUE(specs::Append(dir.path().string(), "Fisso", layout));
  Silent("ab   12\r\n\xE0\xE8   3", "fisso", fFixedWidth);
  EXPECT_EQ(ctl.ImportResult(), eResult::Success);
  EXPECT_EQ(Items(), (Rows{{"ab", "12", "none"}, {"\xC3\xA0\xC3\xA8", "3", "none"}}));
}

TEST_F(ImportTest, NothingIsHeldWhenTheImportReturns) {
  Fields({{"code", "0"}, {"qty", "1"}});
  SaveDelimited("Layout", ";", "{NONE}");
  std::string text;
  for (int i = 0; i < 25000; ++i) text += "a;" + std::to_string(i) + "\n";
  Silent(text, "Layout");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Items")[0][0], "25000");
}

TEST_F(ImportTest, AGroupTheDatabaseUndoesStopsTheImportAndSaysSo) {
  test::RunSql(db, "CREATE TABLE Strict(code TEXT UNIQUE ON CONFLICT ROLLBACK)");
  ctl.setTabImport("Strict");
  Fields({{"code", "0"}});
  SaveDelimited("Layout", ";", "{NONE}");
  const Error e = CatchError([&] { Silent("a1\nb1\na1\nc1\n", "Layout"); });
  EXPECT_NE(e.description().find("UNIQUE constraint failed"), std::string::npos) << e.description();
  EXPECT_NE(e.description().find("lines 1 to 4 were not stored"), std::string::npos)
      << e.description();
  EXPECT_EQ(e.number(), 3022);
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Strict")[0][0], "0");
}

TEST_F(ImportTest, AnUndoneGroupStoresNothingAfterIt) {
  test::RunSql(db, "CREATE TABLE Strict(code TEXT UNIQUE ON CONFLICT ROLLBACK)");
  ctl.setTabImport("Strict");
  Fields({{"code", "0"}});
  SaveDelimited("Layout", ";", "{NONE}");
  std::string text;
  for (int i = 1; i <= 200; ++i)
    text += (i == 5 ? std::string("c1") : "c" + std::to_string(i)) + "\n";
  const Error e = CatchError([&] { Silent(text, "Layout"); });
  EXPECT_EQ(e.number(), 3022) << e.description();
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Strict")[0][0], "0") << e.description();
}

// ---------------------------------------------------------------------------------------------
// A database that cannot take the rows

TEST_F(ImportTest, AReadOnlyDatabaseOrFolderIsRefusedBeforeAnythingChanges) {
  Fields({{"code", "0"}, {"qty", "1"}});
  SaveDelimited("Layout", ";", "{NONE}");
  test::RunSql(db, "INSERT INTO Items VALUES ('old', 1, 'x')");
  ctl.setOverWriteTab(-1);
  ctl.setImportFile(TextFile("a;1\n"));
  ctl.setFileType(fDelimited);
  ctl.setSpecificationName("Layout");
  const std::string folder = dir.path().string();
  ImportRequest request = Request("b;2\n");
  request.emptyTarget = true;
  request.emptyErrors = true;
  for (const std::string& file :
       {request.textFile, dir.file("FlDlmtd"), dir.file("FlDlmtd.lock")}) {
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  }
  // The database alone write-protected, then the folder alone.
  for (const auto& [dbMode, folderMode] : {std::pair{0444, 0777}, std::pair{0666, 0555}}) {
    ASSERT_EQ(::chmod(db.c_str(), static_cast<mode_t>(dbMode)), 0);
    ASSERT_EQ(::chmod(folder.c_str(), static_cast<mode_t>(folderMode)), 0);
    Error wizard(0), silent(0);
    {
      test::AsUnprivileged unprivileged;
      ASSERT_TRUE(unprivileged.ok());
      ImportOutcome outcome = ImportaDelimitato(request, MakeDelimitedLayout(";", "{NONE}", 0));
      ASSERT_TRUE(outcome.error);
      EXPECT_FALSE(outcome.ran);
      wizard = *outcome.error;
      silent = CatchError([&] { ctl.setAction(aBackground); });
    }
    ::chmod(folder.c_str(), 0755);
    for (const Error& e : {wizard, silent}) {
      EXPECT_EQ(e.number(), 3027) << e.description();
      EXPECT_NE(e.description().find("'" + db + "'"), std::string::npos) << e.description();
    }
    EXPECT_EQ(Items(), (Rows{{"old", "1", "x"}}));
  }
}

TEST_F(ImportTest, AFullDiskStopsTheImportKeepingAnExactPrefixAndSaysWhere) {
  Fields({{"code", "0"}, {"qty", "1"}});
  std::string text;
  constexpr int kLines = 60'000;
  for (int i = 1; i <= kLines; ++i)
    text += "code" + std::to_string(i) + ";" + std::to_string(i) + "\n";
  ImportRequest request = Request(text);
  request.groupTime = std::chrono::milliseconds(0);  // groups of a few dozen lines
  {
    // Room for about a third of the rows.
    test::FullDisk full(static_cast<long long>(std::filesystem::file_size(db)) + 512 * 1024);
    last = ImportaDelimitato(request, MakeDelimitedLayout(";", "{NONE}", 0));
  }
  ASSERT_TRUE(last.error);
  const Error& e = *last.error;
  EXPECT_NE(e.description().find("database or disk is full"), std::string::npos) << e.description();
  const ImportStats& counts = last.counts;
  const Rows stored = Query(db, "SELECT code, qty FROM Items ORDER BY rowid");
  ASSERT_EQ(static_cast<std::int64_t>(stored.size()), counts.rowsStored);
  EXPECT_GT(counts.rowsStored, 0);
  EXPECT_LT(counts.rowsStored, kLines);
  EXPECT_EQ(counts.errorRows, 0);
  for (std::size_t i = 0; i < stored.size(); ++i) {
    ASSERT_EQ(stored[i],
              (std::vector<std::string>{"code" + std::to_string(i + 1), std::to_string(i + 1)}));
  }
  EXPECT_NE(e.description().find("lines " + std::to_string(counts.rowsStored + 1) + " to "),
            std::string::npos)
      << e.description();
}

TEST_F(ImportTest, AFifoAsTheTextFileIsRefusedWithoutWaiting) {
  Fields({{"code", "0"}});
  const std::string fifo = dir.file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Run apart, so that a reader that waited for a writer would fail the test, not hang it.
  auto run = std::async(std::launch::async, [&] {
    ImportRequest request = Request("");
    request.textFile = fifo;
    return ImportaDelimitato(request, MakeDelimitedLayout(";", "{NONE}", 0));
  });
  ASSERT_EQ(run.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  const ImportOutcome outcome = run.get();
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->number(), 53);
  EXPECT_FALSE(outcome.ran);
  EXPECT_EQ(CatchError([&] { ctl.setImportFile(fifo); }).number(), 380);
}

TEST_F(ImportTest, AHostThatStopsAnImportFromItsProgressHandlerGetsItsError) {
  Fields({{"code", "0"}, {"qty", "1"}});
  SaveDelimited("Layout", ";", "{NONE}");
  std::string text;
  for (int i = 0; i < 30000; ++i) text += "a;" + std::to_string(i) + "\n";
  hostHooks().progress = [](const ImportStats&) { throw Error(5, "cancelled"); };
  EXPECT_EQ(CatchError([&] { Silent(text, "Layout"); }).description(), "cancelled");
  EXPECT_EQ(pointer, vbDefault);
}

TEST_F(ImportTest, SeparatorsBeyondAsciiAreTheFilesBytes) {
  Fields({{"code", "0"}, {"note", "1"}});
  SaveDelimited("Broken bar", "\u00A6", "\u00AB");  // ¦ separates, « delimits
  Silent("Mario\xA6\xABRoma\xAB\n", "Broken bar");
  EXPECT_EQ(Items(), (Rows{{"Mario", "NULL", "Roma"}}));
}

TEST_F(ImportTest, ALongErrorTextStillGetsItsErrorRow) {
  test::RunSql(db,
               "DROP TABLE Errori; CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, "
               "MsgErr VARCHAR(255));");
  Fields({{"code", "0"}, {"qty", "1"}});
  SaveDelimited("Layout", ";", "{NONE}");
  Silent("b;" + std::string(300, 'x') + "\n", "Layout");
  EXPECT_EQ(ctl.ImportResult(), eResult::SError);
  EXPECT_EQ(Query(db, "SELECT length(MsgErr) FROM Errori")[0][0], "255");
}

// The Italian price list of the samples, and the same values written the ISO way.
constexpr const char* kPriceListTable = R"(
  CREATE TABLE Listino(Codice TEXT, Descrizione TEXT, Prezzo DECIMAL(10,2), Giacenza INTEGER,
                       Dal DATE, Disponibile BOOLEAN, Aggiornato DATETIME);)";
constexpr const char* kIsoPriceList =
    "Codice;Descrizione;Prezzo;Giacenza;Listino dal;Disponibile;Aggiornato\r\n"
    "A-1001;Olio extravergine 1 l;12.50;1250;2024-04-12;1;2024-04-12 08:30\r\n"
    "A-1002;Parmigiano 24 mesi (kg);1250.50;35;2024-03-01;0;2024-03-01 17:05:00\r\n"
    "A-1003;Caff\xE8 macinato 250 g;4.99;12345;2024-02-29;true;2024-02-29\r\n"
    "A-1004;Pasta di semola 500 g;0.89;100000;2023-12-31;false;2023-12-31 23:59\r\n"
    "A-1005;Aceto balsamico, 12 anni;1234567.89;-2;2024-06-05;yes;2024-06-05 12:00:00\r\n"
    "A-1006;Grana padano (forma);-1000;0;2024-01-01;no;\r\n";

TEST_F(ImportTest, AnItalianPriceListImportsSilentlyAsItsIsoTwinDoes) {
  test::RunSql(db, kPriceListTable);
  ctl.setTabImport("Listino");
  Fields({{"Codice", "0"},
          {"Descrizione", "1"},
          {"Prezzo", "2"},
          {"Giacenza", "3"},
          {"Dal", "4"},
          {"Disponibile", "5"},
          {"Aggiornato", "6"}});
  SaveDelimited("Listino", ";", "{NESSUNO}", 1);
  ctl.setOverWriteTab(true);
  auto stored = [&] { return Query(db, "SELECT *, typeof(Prezzo) FROM Listino ORDER BY rowid"); };

  Silent(kIsoPriceList, "Listino");
  ASSERT_EQ(ctl.ImportResult(), eResult::Success);
  const Rows iso = stored();
  ASSERT_EQ(iso.size(), 6u);

  // Under the defaults the Italian file is refused line by line.
  ctl.setImportFile(std::string(VANDREL_SAMPLES_DIR) + "/listino.txt");
  ctl.setAction(aBackground);
  EXPECT_EQ(ctl.ImportResult(), eResult::SError);
  EXPECT_EQ(Errors().size(), 6u);

  ctl.setDecimalSeparator(",");
  ctl.setDateOrder("DMY");
  ctl.setAction(aBackground);
  EXPECT_EQ(ctl.ImportResult(), eResult::Success);
  EXPECT_EQ(stored(), iso);
  EXPECT_EQ(iso[1][2], "1250.5");
  EXPECT_EQ(iso[5][7], "integer");  // whole prices stay whole
  EXPECT_EQ(iso[4][4], "2024-06-05");
}

TEST_F(ImportTest, TheValueFormatReachesTheTargetTableOnly) {
  test::RunSql(db, "CREATE TABLE Misure(Valore REAL, Giorno DATE);");
  ctl.setTabImport("Misure");
  Fields({{"Valore", "0"}, {"Giorno", "1"}});
  ctl.setDecimalSeparator(",");
  ctl.setDateOrder("MDY");
  WizardDelimited("1.5;04/12/1980\n2,5;04/12/1980\n3;13/12/1980\n");
  EXPECT_EQ(Query(db, "SELECT Valore, Giorno FROM Misure"), (Rows{{"2.5", "1980-04-12"}}));
  const Rows errors = Query(db, "SELECT NumRiga, CodErr, MsgErr FROM Errori ORDER BY rowid");
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0][0], "1");
  EXPECT_NE(errors[0][2].find("',' as decimal separator"), std::string::npos);
  EXPECT_EQ(errors[1][0], "3");
  EXPECT_NE(errors[1][2].find("MM/DD/YYYY"), std::string::npos);
}

TEST_F(ImportTest, ActionTakesOnlyItsTwoValues) {
  for (std::int32_t bad : {2, -1}) EXPECT_EQ(CatchError([&] { ctl.setAction(bad); }).number(), 380);
  EXPECT_EQ(CatchError([&] { ctl.setAction(aShowInterface); }).number(), 438);
  ctl.Resize(1000, 20);
  EXPECT_EQ(ctl.Width(), 480);
  EXPECT_EQ(ctl.Height(), 480);
}

// A host's cancel request stops the silent import before a line: every line before it is
// committed (stored or logged), none after it, and the host learns where it stopped.
TEST_F(ImportTest, ACancelledSilentImportKeepsEveryLineBeforeItsStop) {
  Fields({{"code", "0"}, {"qty", "1"}});
  SaveDelimited("Layout", ";", "{NONE}");
  std::string text;
  for (int i = 1; i <= 30000; ++i) text += "a;" + std::to_string(i) + "\n";
  // Asked for while the file is being read.
  hostHooks().bytesRead = [](std::int64_t, std::int64_t) { VandrelCtl::Cancel(); };
  Silent(text, "Layout");
  hostHooks().bytesRead = nullptr;
  EXPECT_EQ(ctl.ImportResult(), eResult::Abort);
  const std::optional<std::int64_t> stop = ctl.LastImportStoppedAt();
  ASSERT_TRUE(stop && *stop > 1 && *stop < 30000);
  const std::string before = std::to_string(*stop - 1);
  EXPECT_EQ(Query(db, "SELECT count(*), max(qty) FROM Items"), (Rows{{before, before}}));
  EXPECT_FALSE(ctl.LastImportError());

  // The request was used up: the next import runs to its end.
  Silent("a;1\n", "Layout");
  EXPECT_EQ(ctl.ImportResult(), eResult::Success);
  EXPECT_FALSE(ctl.LastImportStoppedAt());
  // One made before an import starts stops it at its first line, changing nothing.
  VandrelCtl::Cancel();
  ctl.setOverWriteTab(true);
  Silent("a;1\n", "Layout");
  EXPECT_EQ(ctl.ImportResult(), eResult::Abort);
  EXPECT_EQ(ctl.LastImportStoppedAt(), std::optional<std::int64_t>(1));
  EXPECT_EQ(ctl.LastImportStats().rowsStored, 0);
}

// An error table with TestoRiga and NomeColonna gets, for each failing line, its text as read
// and the column whose value was refused.
TEST_F(ImportTest, ErrorRowsKeepTheLineAndTheRefusedColumn) {
  test::RunSql(db,
               "DROP TABLE Errori; CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr "
               "TEXT, testoriga VARCHAR(40), NomeColonna);"
               "CREATE UNIQUE INDEX OneCode ON Items(code);");
  Fields({{"code", "0"}, {"qty", "1"}});
  SaveDelimited("Quoted", ";", "\"");
  ctl.setEncoding("utf-8");
  Silent(std::string("a;1\r\n") +
             "b;two\r\n"         // qty refused
             "\"c\r\nd\";x\r\n"  // two lines, qty refused
             "a;3\r\n"           // a duplicate code
             "e;4;5\r\n"         // too many fields: no one column
             "f\xFF;5\r\n" +     // not UTF-8
             "g;" +
             std::string(60, '9') + "\r\n",  // too long for INTEGER, cut to 40
         "Quoted");
  EXPECT_EQ(ctl.ImportResult(), eResult::SError);
  EXPECT_EQ(Query(db,
                  "SELECT NumRiga, CodErr, TestoRiga, quote(NomeColonna) FROM Errori "
                  "ORDER BY rowid"),
            (Rows{{"2", "3421", "b;two", "'qty'"},
                  {"3", "3421", "\"c\r\nd\";x", "'qty'"},
                  {"5", "3022", "a;3", "'code'"},
                  {"6", "9", "e;4;5", "''"},
                  {"7", "31003", "f\xEF\xBF\xBD;5", "''"},
                  {"8", "3421", "g;" + std::string(38, '9'), "'qty'"}}));
}

// The reading thread reuses its rows from batch to batch: a line refused before conversion
// must not inherit the column an earlier line's conversion refused.
TEST_F(ImportTest, ALineRefusedBeforeConversionNamesNoColumnWhateverCameBefore) {
  test::RunSql(db,
               "DROP TABLE Errori; CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr "
               "TEXT, NomeColonna);");
  Fields({{"code", "0"}, {"qty", "1"}});
  std::string text;
  for (int i = 1; i <= 30000; ++i) {
    text += i % 3 == 0 ? "c;x\n" : "c;1;extra\n";
  }
  WizardDelimited(text);
  ASSERT_FALSE(last.error) << last.error->description();
  EXPECT_EQ(Query(db, "SELECT CodErr, quote(NomeColonna), count(*) FROM Errori GROUP BY 1, 2"),
            (Rows{{"9", "''", "20000"}, {"3421", "'qty'", "10000"}}));
}
}  // namespace
}  // namespace vandrel

namespace vandrel {
namespace {

// Thousands of lines, read and converted on one thread while another stores them: error rows
// keep their lines' numbers and order, whatever stage refused the line.
TEST_F(ImportTest, ErrorRowsKeepTheirLinesAcrossManyBatches) {
  Fields({{"code", "0"}, {"qty", "1"}});
  std::string text;
  Rows errors;
  // Enough refused lines that they are logged in several goes within one group.
  for (int i = 1; i <= 40000; ++i) {
    if (i % 7 == 0) {
      text += "c;x\n";  // not a number: refused by the conversion
      errors.push_back({std::to_string(i), std::to_string(store::kErrTypeConversion)});
    } else if (i % 500 == 0) {
      text += "c;1;extra\n";  // too many fields: refused as it is cut
      errors.push_back({std::to_string(i), std::to_string(kErrSubscript)});
    } else {
      text += "c" + std::to_string(i) + ";" + std::to_string(i) + "\n";
    }
  }
  WizardDelimited(text);
  ASSERT_FALSE(last.error) << last.error->description();
  EXPECT_EQ(Errors(), errors);
  EXPECT_EQ(last.counts.rowsStored, 40000 - static_cast<std::int64_t>(errors.size()));
  // Stored in line order: the qty column is the line number.
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Items WHERE qty % 7 = 0 OR qty % 500 = 0")[0][0], "0");
  EXPECT_EQ(Query(db,
                  "SELECT count(*) FROM Items a JOIN Items b ON b.rowid = a.rowid + 1 "
                  "WHERE b.qty <= a.qty")[0][0],
            "0");
}

// Stopped at its first commit while the reading thread is far ahead: what stays is exactly
// the first group, the lines before the stop.
TEST_F(ImportTest, AnImportStoppedMidwayKeepsExactlyTheLinesBeforeTheStop) {
  Fields({{"code", "0"}, {"qty", "1"}});
  std::string text;
  for (int i = 1; i <= 50000; ++i) text += "c;" + std::to_string(i) + "\n";
  std::optional<ImportStats> committed;
  ImportRequest request = Request(text);
  request.groupTime = std::chrono::milliseconds(0);
  request.progress = [&](const ImportStats& s) {
    committed = s;
    throw Error(5, "cancelled");
  };
  last = ImportaDelimitato(request, MakeDelimitedLayout(";", "{NONE}", 0));
  ASSERT_TRUE(last.error);
  EXPECT_EQ(last.error->description(), "cancelled");
  ASSERT_TRUE(committed);
  EXPECT_LT(committed->rowsStored, 50000);
  EXPECT_EQ(last.counts.rowsStored, committed->rowsStored);
  EXPECT_EQ(Query(db, "SELECT count(*), min(qty), max(qty) FROM Items")[0],
            (std::vector<std::string>{std::to_string(committed->rowsStored), "1",
                                      std::to_string(committed->rowsStored)}));
}

}  // namespace
}  // namespace vandrel
