// Imports end to end into SQLite, by the import's own entry point (as the wizard calls it) and
// silently through the control from a saved layout, and every way an import can stop. Text
// files as other programs write them are imported by the command line's test.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <future>

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

// Lines "<prefix>1;1" to "<prefix>n;n".
std::string Numbered(int n, const std::string& prefix = "c") {
  std::string text;
  for (int i = 1; i <= n; ++i) text += prefix + std::to_string(i) + ";" + std::to_string(i) + "\n";
  return text;
}

class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetControl();
    SetApplicationFolder(dir.path().string());
    test::RunSql(db, R"(CREATE TABLE Items(code TEXT, qty INTEGER, note TEXT DEFAULT 'none');
      CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);)");
    hostHooks().mousePointer = [this](MousePointer p) { pointer = p; };
    ctl.setMDBFile(db);
    ctl.setTabImport("Items");
    ctl.setTabError("Errori");
    ctl.setNumField(1);  // code and qty from the line's first two fields
    for (std::int16_t x = 0; x < 2; ++x) {
      ctl.setInfoField(x, kColumnName, x == 0 ? "code" : "qty");
      ctl.setInfoField(x, kAssociatedColumn, std::int64_t{x});
    }
    SaveDelimited("Layout", ";", "{NONE}");
  }
  void TearDown() override { test::ResetControl(); }

  std::string TextFile(const std::string& bytes) {
    test::WriteFile(dir.file("in.txt"), bytes);
    return dir.file("in.txt");
  }
  ImportRequest Request(const std::string& bytes) {
    return test::ImportInto(db, "Items", {"code", "qty"}, TextFile(bytes));
  }
  // An import as the wizard runs it, by a ';'-separated layout without text delimiter.
  ImportOutcome Run(const ImportRequest& request) {
    return ImportaDelimitato(request, MakeDelimitedLayout(";", "{NONE}", 0));
  }
  void SaveDelimited(const std::string& name, const std::string& sep, const std::string& delim,
                     std::int16_t skip = 0) {
    ASSERT_TRUE(specs::Append(dir.path().string(), name,
                              specs::DelimitedSpecRecord{name, sep, delim, skip}));
  }
  // A silent import by the layout saved as `spec`, made ready, then run.
  void Ready(const std::string& bytes, const std::string& spec = "Layout") {
    ctl.setFileType(fDelimited);
    ctl.setImportFile(TextFile(bytes));
    ctl.setSpecificationName(spec);
  }
  void Silent(const std::string& bytes, const std::string& spec = "Layout") {
    Ready(bytes, spec);
    ctl.setAction(aBackground);
  }
  Rows Items() { return Query(db, "SELECT code, qty, note FROM Items ORDER BY rowid"); }
  std::string Count(const std::string& table) {
    return Query(db, "SELECT count(*) FROM " + table)[0][0];
  }

  test::TempDir dir;
  std::string db = dir.file("shop.db");
  VandrelCtl ctl;
  MousePointer pointer = vbDefault;
};

// A silent import shows the hourglass while it runs; a short data line is stored, not dropped
// (its missing fields left NULL); error rows that cannot be stored either make it a failure,
// whatever good lines follow. (The command line's test meets the other results.)
TEST_F(ImportTest, SilentImportReportsTheTruth) {
  MousePointer during = vbDefault;
  hostHooks().progress = [&](const ImportStats&) { during = pointer; };
  Silent("a;1\r\nxy\r\n");
  EXPECT_EQ(ctl.ImportResult(), eResult::Success);
  EXPECT_EQ(Items(), (Rows{{"a", "1", "none"}, {"xy", "NULL", "none"}}));
  EXPECT_TRUE(during == vbHourglass && pointer == vbDefault);
  test::RunSql(db, "DROP TABLE Errori");
  Silent("a;1\nb;bad\nc;3\n");
  EXPECT_EQ(ctl.ImportResult(), eResult::Failure);
  EXPECT_EQ(ctl.LastImportStats().errorRowsLost, 1);
}

// The text file, the layout and the tables are checked before the target table is emptied:
// an import that cannot run changes nothing (and throws to the host of a silent one).
TEST_F(ImportTest, SilentImportChecksEverythingBeforeEmptyingTheTable) {
  test::RunSql(db, "INSERT INTO Items VALUES ('old', 1, 'x')");
  ctl.setOverWriteTab(true);
  Ready("a;1\n");
  std::filesystem::remove(dir.file("in.txt"));
  EXPECT_EQ(CatchError([&] { ctl.setAction(aBackground); }).number(), kErrFileNotFound);
  EXPECT_EQ(ctl.ImportResult(), eResult::Abort);
  EXPECT_EQ(pointer, vbDefault);
  SaveDelimited("Blank", "", "{NONE}");
  EXPECT_EQ(CatchError([&] { Silent("a;1\n", "Blank"); }).number(), kErrInvalidArgument);
  // An error table to empty as well (as the wizard asks) is found missing first.
  test::RunSql(db, "DROP TABLE Errori");
  ImportRequest request = Request("a;1\n");
  request.emptyTarget = request.emptyErrors = true;
  EXPECT_EQ(Run(request).error.value_or(Error(0)).number(), store::kErrNoTable);
  EXPECT_EQ(Items(), (Rows{{"old", "1", "x"}}));
  Silent("a;1\n");
  EXPECT_EQ(Items(), (Rows{{"a", "1", "none"}}));
}

// Thousands of lines past 32767, read and converted on one thread while another stores them:
// error rows keep their lines' numbers and order, whatever stage refused the line, and a line
// refused before conversion names no column, whatever came before it in the reused batches.
TEST_F(ImportTest, ErrorRowsKeepTheirLinesAcrossManyBatches) {
  test::RunSql(db, "ALTER TABLE Errori ADD NomeColonna TEXT");
  std::string text;
  Rows errors;
  for (int i = 1; i <= 40000; ++i) {
    const std::string n = std::to_string(i);
    if (i % 7 == 0) {
      text += "c;x\n";  // not a number: refused by the conversion
      errors.push_back({n, "3421", "qty"});
    } else if (i % 500 == 0 || i % 7 == 1) {
      text += "c;1;extra\n";  // too many fields: refused as it is cut
      errors.push_back({n, "9", ""});
    } else {
      text += "c" + n + ";" + n + "\n";
    }
  }
  const ImportOutcome outcome = Run(Request(text));
  ASSERT_FALSE(outcome.error) << outcome.error->description();
  EXPECT_EQ(Query(db, "SELECT NumRiga, CodErr, NomeColonna FROM Errori ORDER BY rowid"), errors);
  EXPECT_EQ(outcome.counts.rowsStored, 40000 - static_cast<std::int64_t>(errors.size()));
  EXPECT_EQ(Count("Items a JOIN Items b ON b.rowid = a.rowid + 1 WHERE b.qty <= a.qty"), "0");
}

TEST_F(ImportTest, AReadOnlyDatabaseOrFolderIsRefusedBeforeAnythingChanges) {
  test::RunSql(db, "INSERT INTO Items VALUES ('old', 1, 'x')");
  ctl.setOverWriteTab(-1);
  Ready("a;1\n");
  const std::string folder = dir.path().string();
  ImportRequest request = Request("b;2\n");
  request.emptyTarget = request.emptyErrors = true;
  for (const std::string& file : {request.textFile, dir.file("FlDlmtd"), dir.file("FlDlmtd.lock")})
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  // The database alone write-protected, then the folder alone.
  for (const auto& [dbMode, folderMode] : {std::pair{0444, 0777}, std::pair{0666, 0555}}) {
    ASSERT_EQ(::chmod(db.c_str(), static_cast<mode_t>(dbMode)), 0);
    ASSERT_EQ(::chmod(folder.c_str(), static_cast<mode_t>(folderMode)), 0);
    Error wizard(0), silent(0);
    {
      test::AsUnprivileged unprivileged;
      ASSERT_TRUE(unprivileged.ok());
      const ImportOutcome outcome = Run(request);
      EXPECT_FALSE(outcome.ran);
      wizard = outcome.error.value_or(Error(0));
      silent = CatchError([&] { ctl.setAction(aBackground); });
    }
    ::chmod(folder.c_str(), 0755);
    for (const Error& e : {wizard, silent}) {
      EXPECT_EQ(e.number(), store::kErrReadOnly) << e.description();
      EXPECT_NE(e.description().find("'" + db + "'"), std::string::npos) << e.description();
    }
    EXPECT_EQ(Items(), (Rows{{"old", "1", "x"}}));
  }
}

TEST_F(ImportTest, AFullDiskStopsTheImportKeepingAnExactPrefixAndSaysWhere) {
  ImportRequest request = Request(Numbered(6'000, "code"));
  request.groupTime = std::chrono::milliseconds(0);  // groups of a few dozen lines
  ImportOutcome outcome;
  {
    // Room for about a third of the rows.
    test::FullDisk full(static_cast<long long>(std::filesystem::file_size(db)) + 48 * 1024);
    outcome = Run(request);
  }
  ASSERT_TRUE(outcome.error);
  const std::string& e = outcome.error->description();
  EXPECT_NE(e.find("database or disk is full"), std::string::npos) << e;
  const std::string stored = std::to_string(outcome.counts.rowsStored);
  EXPECT_TRUE(outcome.counts.rowsStored > 0 && outcome.counts.rowsStored < 6'000) << stored;
  EXPECT_EQ(outcome.counts.errorRows, 0);
  // The rows stored are the file's first lines, in order.
  EXPECT_EQ(Count("Items") + " " + Count("Items WHERE code = 'code' || rowid"),
            stored + " " + stored);
  EXPECT_NE(e.find("lines " + std::to_string(outcome.counts.rowsStored + 1) + " to "),
            std::string::npos)
      << e;
}

TEST_F(ImportTest, AFifoAsTheTextFileIsRefusedWithoutWaiting) {
  const std::string fifo = dir.file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Run apart, so that a reader that waited for a writer would fail the test, not hang it.
  auto run = std::async(std::launch::async, [&] {
    ImportRequest request = Request("");
    request.textFile = fifo;
    return Run(request);
  });
  ASSERT_EQ(run.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  const ImportOutcome outcome = run.get();
  EXPECT_EQ(outcome.error.value_or(Error(0)).number(), kErrFileNotFound);
  EXPECT_FALSE(outcome.ran);
  EXPECT_EQ(ResultOf(outcome), eResult::Failure);
  EXPECT_EQ(CatchError([&] { ctl.setImportFile(fifo); }).number(), kErrInvalidProperty);
}

// Stopped by the host's progress handler at its first commit while the reading thread is far
// ahead: what stays is exactly the first group, and the host gets its own error.
TEST_F(ImportTest, AnImportStoppedMidwayKeepsExactlyTheLinesBeforeTheStop) {
  std::optional<ImportStats> committed;
  ImportRequest request = Request(Numbered(50000));
  request.groupTime = std::chrono::milliseconds(0);
  request.progress = [&](const ImportStats& s) {
    committed = s;
    throw Error(kErrInvalidArgument, "cancelled");
  };
  const ImportOutcome outcome = Run(request);
  EXPECT_EQ(outcome.error.value_or(Error(0)).description(), "cancelled");
  ASSERT_TRUE(committed);
  const std::string stored = std::to_string(committed->rowsStored);
  EXPECT_LT(committed->rowsStored, 50000);
  EXPECT_EQ(outcome.counts.rowsStored, committed->rowsStored);
  EXPECT_EQ(Query(db, "SELECT count(*), min(qty), max(qty) FROM Items"),
            (Rows{{stored, "1", stored}}));
  // The silent import hands the host's handler the counts and the host its error.
  hostHooks().progress = request.progress;
  EXPECT_EQ(CatchError([&] { Silent("a;1\n"); }).description(), "cancelled");
  EXPECT_EQ(pointer, vbDefault);
}

// A host's cancel request stops the silent import before a line: every line before it is
// committed (stored or logged), none after it, and the host learns where it stopped.
TEST_F(ImportTest, ACancelledSilentImportKeepsEveryLineBeforeItsStop) {
  // Asked for while the file is being read.
  hostHooks().bytesRead = [](std::int64_t, std::int64_t) { VandrelCtl::Cancel(); };
  Silent(Numbered(30000));
  hostHooks().bytesRead = nullptr;
  EXPECT_EQ(ctl.ImportResult(), eResult::Abort);
  const std::optional<std::int64_t> stop = ctl.LastImportStoppedAt();
  ASSERT_TRUE(stop && *stop > 1 && *stop < 30000);
  const std::string before = std::to_string(*stop - 1);
  EXPECT_EQ(Query(db, "SELECT count(*), max(qty) FROM Items"), (Rows{{before, before}}));
  EXPECT_FALSE(ctl.LastImportError());
  EXPECT_NO_THROW(test::RunSql(db, "BEGIN EXCLUSIVE; COMMIT;"));  // nothing is held
  // The request was used up: the next import runs to its end.
  Silent("a;1\n");
  EXPECT_EQ(ctl.ImportResult(), eResult::Success);
  EXPECT_FALSE(ctl.LastImportStoppedAt());
  // One made before an import starts stops it at its first line, changing nothing.
  VandrelCtl::Cancel();
  ctl.setOverWriteTab(true);
  Silent("a;1\n");
  EXPECT_EQ(ctl.ImportResult(), eResult::Abort);
  EXPECT_EQ(ctl.LastImportStoppedAt(), std::optional<std::int64_t>(1));
  EXPECT_EQ(ctl.LastImportStats().rowsStored, 0);
}

}  // namespace
}  // namespace vandrel
