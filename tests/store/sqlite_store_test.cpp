// What only the SQLite store does: files, busy_timeout, conflict clauses. What every store
// does is in store_contract_test.cpp.
#include "vandrel/store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "test_support.h"

namespace vandrel::store {
namespace {

using test::CatchError;
using test::Query;

class SqliteStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.file("shop.db");
    test::RunSql(path, R"(
      CREATE TABLE Parents(id INTEGER PRIMARY KEY);
      INSERT INTO Parents VALUES (1);
      CREATE TABLE Items(
        id INTEGER PRIMARY KEY AUTOINCREMENT,
        code VARCHAR(3) UNIQUE,
        qty SMALLINT CHECK (qty >= 0),
        price DECIMAL(6,2),
        weight INTEGER NOT NULL DEFAULT 0,
        parent INTEGER REFERENCES Parents(id),
        note TEXT DEFAULT 'none');
      CREATE TABLE "we""ird"(a TEXT);
      CREATE TABLE Victim(a TEXT);
    )");
  }

  std::unique_ptr<Database> Open(bool readOnly = false, std::string_view connect = "") {
    return OpenDatabase(path, false, readOnly, connect);
  }

  test::TempDir dir;
  std::string path;
};

TEST_F(SqliteStoreTest, OpenFailuresAreClearAndNeverCreateAFile) {
  const std::string missing = dir.file("missing.db");
  EXPECT_EQ(CatchError([&] { OpenDatabase(missing, false, false, ""); }).number(),
            kErrDatabaseNotFound);
  EXPECT_FALSE(std::filesystem::exists(missing));

  const std::string text = dir.file("text.db");
  test::WriteFile(text, std::string(4096, 'x'));
  EXPECT_EQ(CatchError([&] { OpenDatabase(text, false, true, ""); }).number(), kErrCannotOpen);
  EXPECT_EQ(CatchError([&] { OpenDatabase(dir.path().string(), false, true, ""); }).number(),
            kErrCannotOpen);

  // Another connection holding an exclusive lock: the open waits busy_timeout, then says so.
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(CatchError([&] { Open(true, "busy_timeout=20"); }).number(), kErrLocked);
  sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
}

TEST_F(SqliteStoreTest, ConnectStringKeysAreHonouredOrRefused) {
  EXPECT_EQ(CatchError([&] { Open(false, ";PWD=secret"); }).number(), kErrBadConnect);
  EXPECT_EQ(CatchError([&] { Open(false, "busy_timeout=soon"); }).number(), kErrBadConnect);
  EXPECT_EQ(CatchError([&] { Open(false, "foreign_keys=maybe"); }).number(), kErrBadConnect);
  auto db = Open(false, "; BUSY_TIMEOUT = 10 ;foreign_keys=off;");
  EXPECT_EQ(db->Connect(), "; BUSY_TIMEOUT = 10 ;foreign_keys=off;");
  EXPECT_EQ(CatchError([&] { db->SetConnect("uid=admin"); }).number(), kErrBadConnect);
  EXPECT_EQ(db->Connect(), "; BUSY_TIMEOUT = 10 ;foreign_keys=off;");
  // With foreign keys off the reference is not checked.
  auto rs = db->OpenRecordset("Items");
  rs->AddNew();
  rs->SetField("parent", "99");
  rs->Update();
  EXPECT_EQ(rs->RecordCount(), 1);
}

TEST_F(SqliteStoreTest, AConstraintFailureQuotesOnlyTheStartOfALongValue) {
  test::RunSql(path, "CREATE TABLE Wide(t TEXT UNIQUE)");
  const std::string huge(1 << 20, 'w');
  auto db = Open();
  auto rs = db->OpenRecordset("Wide");
  rs->AddNew();
  rs->SetField("t", huge);
  rs->Update();
  const Error dup = CatchError([&] {
    rs->AddNew();
    rs->SetField("t", huge);
    rs->Update();
  });
  EXPECT_EQ(dup.number(), kErrDuplicateKey);
  EXPECT_LT(dup.description().size(), 600u);
  EXPECT_NE(dup.description().find("t = '" + huge.substr(0, 200) + "\u2026'"), std::string::npos)
      << dup.description().substr(0, 300);
}

TEST_F(SqliteStoreTest, AFullDiskInTheMiddleOfAGroupGivesUpTheWholeGroup) {
  // Rows bigger than SQLite's page cache make it write to the file before the commit, so the
  // disk fills up inside an INSERT, not at the COMMIT.
  const std::string big(100'000, 'b');
  Error e(0);
  bool stillInGroup = true;
  {
    test::FullDisk full(static_cast<long long>(std::filesystem::file_size(path)) + 1'000'000);
    auto db = Open();
    auto rs = db->OpenRecordset("Victim");
    db->BeginTrans();
    e = CatchError([&] {
      for (int i = 0; i < 100; ++i) {
        rs->AddNew();
        rs->SetField("a", big);
        rs->Update();
      }
    });
    stillInGroup = db->InTransaction();
  }
  EXPECT_NE(e.description().find("disk is full"), std::string::npos) << e.description();
  // Going on would store later rows on their own, outside the group the earlier ones were in.
  EXPECT_FALSE(stillInGroup);
  EXPECT_EQ(Query(path, "SELECT count(*) FROM Victim")[0][0], "0");
}

TEST_F(SqliteStoreTest, BatchesAreExactWhateverConflictClauseTheTableDeclares) {
  test::RunSql(path, R"(
    CREATE TABLE Fail(n INTEGER NOT NULL ON CONFLICT FAIL);
    CREATE TABLE Ignore(code TEXT UNIQUE ON CONFLICT IGNORE);)");
  auto db = Open();
  auto fail = db->OpenRecordset("Fail");
  auto ignore = db->OpenRecordset("Ignore");
  db->BeginTrans();
  for (int i = 1; i <= 40; ++i) {
    fail->AddNew();
    fail->SetField("n", i == 10 ? std::string() : std::to_string(i));  // empty: NULL
    fail->Queue(i);
    ignore->AddNew();
    ignore->SetField("code", i == 20 ? "1" : std::to_string(i));  // 20 repeats 1
    ignore->Queue(i);
  }
  const auto failed = fail->Flush();
  const auto ignored = ignore->Flush();
  db->CommitTrans();
  // FAIL keeps the rows before the bad one: the batch must not store them twice.
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0].tag, 10);
  EXPECT_EQ(Query(path, "SELECT count(*), count(DISTINCT n) FROM Fail")[0],
            (std::vector<std::string>{"39", "39"}));
  // IGNORE drops the duplicate without an error: it is a failure all the same.
  ASSERT_EQ(ignored.size(), 1u);
  EXPECT_EQ(ignored[0].tag, 20);
  EXPECT_EQ(Query(path, "SELECT count(*) FROM Ignore")[0][0], "39");
}

}  // namespace
}  // namespace vandrel::store
