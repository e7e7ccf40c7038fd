// What only the SQLite store does: the connect string's keys, constraint texts, conflict
// clauses. What every store does is in store_contract_test.cpp; opening failures are met
// through the control in vandrel_ctl_test.cpp, a full disk through an import in import_test.cpp.
#include "vandrel/store.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vandrel::store {
namespace {

using test::CatchError;
using test::Query;

class SqliteStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RunSql(path, R"(
      CREATE TABLE Parents(id INTEGER PRIMARY KEY);
      CREATE TABLE Items(parent INTEGER REFERENCES Parents(id));
      CREATE TABLE Wide(t TEXT UNIQUE);)");
  }
  std::unique_ptr<Database> Open(std::string_view connect = "") {
    return OpenDatabase(path, false, false, connect);
  }

  test::TempDir dir;
  std::string path = dir.file("shop.db");
};

TEST_F(SqliteStoreTest, ConnectStringKeysAreHonouredOrRefused) {
  for (const char* bad : {";PWD=secret", "busy_timeout=soon", "foreign_keys=maybe"}) {
    EXPECT_EQ(CatchError([&] { Open(bad); }).number(), kErrBadConnect) << bad;
  }
  auto db = Open("; BUSY_TIMEOUT = 10 ;foreign_keys=off;");
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
  const std::string huge(1 << 20, 'w');
  auto db = Open();
  auto rs = db->OpenRecordset("Wide");
  const auto add = [&] {
    rs->AddNew();
    rs->SetField("t", huge);
    rs->Update();
  };
  add();
  const Error dup = CatchError(add);
  EXPECT_EQ(dup.number(), kErrDuplicateKey);
  EXPECT_LT(dup.description().size(), 600u);
  EXPECT_NE(dup.description().find("t = '" + huge.substr(0, 200) + "\u2026'"), std::string::npos)
      << dup.description().substr(0, 300);
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
