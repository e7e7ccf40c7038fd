// An import and the processes around it: another process writing to the same SQLite
// database while an import runs must get its turn, in both journal modes, however long the
// file; an import killed outright keeps its committed groups and nothing else.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "test_support.h"
#include "vandrel/import.h"

namespace vandrel {
namespace {

using test::Query;

// Every time is scaled down from the real promise (groups of a second, a writer waiting up
// to 5 s) so that an import of a few seconds lasts several times the writer's patience: a
// writer that never got a turn between two groups would fail.
constexpr auto kGroupTime = std::chrono::milliseconds(150);
constexpr int kWriterTimeoutMs = 700;
constexpr int kWriterEveryMs = 200;

// Forks a process that writes one row to Notes every kWriterEveryMs until the pipe `stop` is
// closed, with a busy timeout of kWriterTimeoutMs. Its exit status is 0 when every write
// succeeded, 1 when one failed, 2 when it wrote nothing.
pid_t StartWriter(const std::string& db, const int (&pipe)[2]) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::close(pipe[1]);
  sqlite3* c = nullptr;
  if (sqlite3_open(db.c_str(), &c) != SQLITE_OK) ::_exit(1);
  sqlite3_busy_timeout(c, kWriterTimeoutMs);
  int writes = 0;
  pollfd p{pipe[0], POLLIN, 0};
  for (; ::poll(&p, 1, kWriterEveryMs) == 0; ++writes) {
    if (sqlite3_exec(c, "INSERT INTO Notes VALUES (1)", nullptr, nullptr, nullptr)) ::_exit(1);
  }
  sqlite3_close(c);
  ::_exit(writes > 0 ? 0 : 2);
}

// `db` made with Items(code, qty), Errori and Notes in `journal` mode, and a request importing
// the lines "c;1" to "c;<lines>" into Items.
ImportRequest Prepare(const test::TempDir& dir, const std::string& db, int lines,
                      const std::string& journal = "delete") {
  test::RunSql(db, "PRAGMA journal_mode = " + journal + R"(;
      CREATE TABLE Items(code TEXT, qty INTEGER); CREATE TABLE Notes(n INTEGER);
      CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);)");
  EXPECT_EQ(Query(db, "PRAGMA journal_mode")[0][0], journal);
  std::string text;
  for (int i = 1; i <= lines; ++i) text += "c;" + std::to_string(i) + "\n";
  test::WriteFile(dir.file("in.txt"), text);
  return test::ImportInto(db, "Items", {"code", "qty"}, dir.file("in.txt"));
}

class ConcurrentWriterTest : public ::testing::TestWithParam<const char*> {
 protected:
  test::TempDir dir;
};

TEST_P(ConcurrentWriterTest, AnotherProcessWritesThroughoutAnImport) {
  const std::string db = dir.file("shared.db");
  constexpr int kLines = 4'000'000;
  ImportRequest request = Prepare(dir, db, kLines, GetParam());
  request.groupTime = kGroupTime;
  int stop[2];
  ASSERT_EQ(::pipe(stop), 0);
  const pid_t writer = StartWriter(db, stop);
  ASSERT_GT(writer, 0);
  ::close(stop[0]);
  const ImportOutcome outcome = ImportaDelimitato(request, MakeDelimitedLayout(";", "{NONE}", 0));
  ::close(stop[1]);
  int status = -1;
  ::waitpid(writer, &status, 0);
  EXPECT_FALSE(outcome.error) << outcome.error->description();
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Items")[0][0], std::to_string(kLines));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process's write failed (1) or never ran (2)";
}

TEST(ImportCrashTest, AKilledImportKeepsItsCommittedGroupsAsAPrefixOfTheFile) {
  test::TempDir dir;
  const std::string db = dir.file("crash.db");
  ImportRequest request = Prepare(dir, db, 2'000'000);
  // The child imports and says after each commit how many rows it has committed; it is
  // killed as soon as it has said so twice, in the middle of its third group.
  int committed[2];
  ASSERT_EQ(::pipe(committed), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(committed[0]);
    request.groupTime = std::chrono::milliseconds(50);
    request.progress = [&](const ImportStats& s) {
      (void)!::write(committed[1], &s.rowsStored, sizeof s.rowsStored);
    };
    ImportaDelimitato(request, MakeDelimitedLayout(";", "{NONE}", 0));
    ::_exit(0);
  }
  ::close(committed[1]);
  std::int64_t rows = 0;
  for (int group = 0; group < 2; ++group) {
    ASSERT_EQ(::read(committed[0], &rows, sizeof rows), static_cast<ssize_t>(sizeof rows));
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(committed[0]);
  // The next connection rolls the group in progress back.
  const auto stored = Query(db, "SELECT count(*), min(qty), max(qty) FROM Items")[0];
  EXPECT_GE(std::stoll(stored[0]), rows);
  EXPECT_EQ(stored[1], "1");
  EXPECT_EQ(stored[2], stored[0]) << "the rows stored are not the file's first lines";
  EXPECT_EQ(Query(db, "PRAGMA integrity_check")[0][0], "ok");
}

INSTANTIATE_TEST_SUITE_P(JournalModes, ConcurrentWriterTest, ::testing::Values("delete", "wal"));

}  // namespace
}  // namespace vandrel
