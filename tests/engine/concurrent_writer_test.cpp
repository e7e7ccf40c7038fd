// Another process writing to the same SQLite database while an import runs: the import's
// groups must leave it room, in both journal modes, however long the file.
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "engine/import.h"
#include "engine/import_session.h"
#include "test_support.h"

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
  const int stop = pipe[0];
  sqlite3* c = nullptr;
  if (sqlite3_open(db.c_str(), &c) != SQLITE_OK) ::_exit(1);
  sqlite3_busy_timeout(c, kWriterTimeoutMs);
  int writes = 0;
  pollfd p{stop, POLLIN, 0};
  while (::poll(&p, 1, kWriterEveryMs) == 0) {
    if (sqlite3_exec(c, "INSERT INTO Notes VALUES (1)", nullptr, nullptr, nullptr) != SQLITE_OK) {
      ::_exit(1);
    }
    ++writes;
  }
  sqlite3_close(c);
  ::_exit(writes > 0 ? 0 : 2);
}

class ConcurrentWriterTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { ImportSession::SetGroupTime(kGroupTime); }
  void TearDown() override { ImportSession::SetGroupTime(std::chrono::seconds(1)); }
  test::TempDir dir;
};

TEST_P(ConcurrentWriterTest, AnotherProcessWritesThroughoutAnImport) {
  const std::string db = dir.file("shared.db");
  test::RunSql(db, std::string("PRAGMA journal_mode = ") + GetParam() + R"(;
      CREATE TABLE Items(code TEXT, qty INTEGER);
      CREATE TABLE Errori(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT);
      CREATE TABLE Notes(n INTEGER);)");
  ASSERT_EQ(Query(db, "PRAGMA journal_mode")[0][0], GetParam());

  constexpr int kLines = 4'000'000;
  std::string text;
  text.reserve(kLines * 12);
  for (int i = 0; i < kLines; ++i)
    text += "K" + std::to_string(i) + ";" + std::to_string(i % 7) + "\n";
  ImportRequest request;
  request.textFile = dir.file("in.txt");
  test::WriteFile(request.textFile, text);
  request.target = {db, "", "Items", "Errori"};
  request.lineFields = 2;
  for (const char* column : {"code", "qty"}) {
    InfoFieldRow row;
    row[kColumnName] = column;
    row[kAssociatedColumn] = std::to_string(request.fields.size());
    request.fields.push_back(row);
  }

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
  EXPECT_EQ(outcome.counts.rowsStored, kLines);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process's write failed (1) or never ran (2)";
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Items")[0][0], std::to_string(kLines));
}

INSTANTIATE_TEST_SUITE_P(JournalModes, ConcurrentWriterTest, ::testing::Values("delete", "wal"));

}  // namespace
}  // namespace vandrel
