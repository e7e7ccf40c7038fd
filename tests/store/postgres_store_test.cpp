// What only the PostgreSQL store does: the connect string, account and connection failures,
// the server's own refusals and their numbers, locks, schema-qualified and quoted names.
#include <gtest/gtest.h>

#include "pg_server.h"
#include "test_support.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using test::CatchError;
using Rows = std::vector<std::vector<std::string>>;

class PostgresStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANDREL_REQUIRE_PG(server);
    uri = server->CreateDatabase();
  }
  std::unique_ptr<Database> Open(const std::string& extra = "") {
    return OpenDatabase(uri, false, false, test::PgServer::Connect() + extra);
  }
  // The database's URI with another user and password in it.
  std::string UriAs(const std::string& userInfo) const {
    return "postgresql://" + userInfo + "@/" + uri.substr(uri.find("@/") + 2);
  }
  std::int32_t Failure(Recordset& rs, std::string_view column, std::string_view value) {
    return CatchError([&] {
             rs.AddNew();
             rs.SetField(column, value);
             rs.Update();
           })
        .number();
  }

  test::PgServer* server = nullptr;
  std::string uri;
};

TEST_F(PostgresStoreTest, ConnectStringPairsAreMergedOverTheUriOrRefused) {
  // A quoted value holds ';'; the password above is one such.
  const std::string connect =
      test::PgServer::Connect() + " ; connect_timeout = 5;;application_name='a;b'";
  auto db = OpenDatabase(uri, false, false, connect);
  EXPECT_EQ(db->Connect(), connect);
  EXPECT_EQ(CatchError([&] { db->SetConnect("colour=red"); }).number(), kErrBadConnect);
  EXPECT_EQ(CatchError([&] { db->SetConnect("lock_timeout=soon"); }).number(), kErrBadConnect);
  EXPECT_EQ(db->Connect(), connect);
  db->SetConnect("lock_timeout=250ms");
  EXPECT_EQ(CatchError([&] { Open(";PWD=secret"); }).number(), kErrBadConnect);
  EXPECT_EQ(CatchError([&] { Open(";application_name='open"); }).number(), kErrBadConnect);
  EXPECT_EQ(CatchError([&] { Open(";lock_timeout=-"); }).number(), kErrBadConnect);
}

TEST_F(PostgresStoreTest, AccountAndConnectionFailuresHaveTheirNumbersAndHideThePassword) {
  const Error wrong = CatchError([&] { OpenDatabase(UriAs("vandrel:wrongpw"), false, true, ""); });
  EXPECT_EQ(wrong.number(), kErrBadAccount);
  EXPECT_EQ(wrong.description().find("wrongpw"), std::string::npos) << wrong.description();
  EXPECT_EQ(CatchError([&] { OpenDatabase(uri, false, true, "password=nope"); }).number(),
            kErrBadAccount);
  EXPECT_EQ(CatchError([&] { OpenDatabase(uri, false, true, ""); }).number(), kErrBadAccount);
  test::PgRun(uri, "CREATE ROLE sleeper PASSWORD 'pw' NOLOGIN");  // 28000, not 28P01
  EXPECT_EQ(CatchError([&] { OpenDatabase(UriAs("sleeper:pw"), false, true, ""); }).number(),
            kErrBadAccount);
  const Error away = CatchError(
      [&] { OpenDatabase("postgresql://vandrel:hidden@/x?host=/nonexistent", false, true, ""); });
  EXPECT_EQ(away.number(), kErrCannotConnect);
  EXPECT_EQ(away.description().find("hidden"), std::string::npos) << away.description();
}

// Values of types the store has no rule for (domains, uuid) or that a trigger refuses: the
// server's refusal has its number and fails its own row only.
TEST_F(PostgresStoreTest, ServerRefusalsOfValuesWithoutALocalRuleBecomeRowFailures) {
  test::PgRun(uri, R"(
    CREATE DOMAIN code3 AS varchar(3);
    CREATE DOMAIN small AS smallint;
    CREATE DOMAIN day AS date;
    CREATE TABLE t(u uuid, c code3, s small, d day, r text);
    CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS
      $$BEGIN IF NEW.r = 'no' THEN RAISE EXCEPTION 'refused by a trigger'; END IF; RETURN NEW; END$$;
    CREATE TRIGGER refuse BEFORE INSERT ON t FOR EACH ROW EXECUTE FUNCTION refuse();)");
  const std::vector<std::tuple<const char*, const char*, std::int32_t>> rows = {
      {"u", "00000000-0000-0000-0000-000000000001", 0},
      {"u", "abc", kErrTypeConversion},    // 22P02
      {"s", "99999", kErrTypeConversion},  // 22003
      {"c", "ok", 0},
      {"d", "soon", kErrTypeConversion},        // 22007
      {"d", "2023-02-30", kErrTypeConversion},  // 22008
      {"d", "2024-02-29", 0},
      {"c", "LONG", kErrTooLong},   // 22001
      {"r", "no", kErrStoreOther},  // P0001
      {"s", "12", 0}};
  auto db = Open();
  auto rs = db->OpenRecordset("t");
  db->BeginTrans();
  std::vector<std::pair<std::int64_t, std::int32_t>> want, got;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& [column, value, number] = rows[i];
    rs->AddNew();
    rs->SetField(column, value);
    rs->Queue(static_cast<std::int64_t>(i));
    if (number) want.emplace_back(i, number);
  }
  const auto failures = rs->Flush();
  EXPECT_TRUE(db->InTransaction());
  db->CommitTrans();
  for (const auto& f : failures) got.emplace_back(f.tag, f.error.number());
  EXPECT_EQ(got, want);
  EXPECT_NE(failures.back().error.description().find("refused by a trigger"), std::string::npos);
  EXPECT_EQ(rs->RecordCount(), 4);
}

TEST_F(PostgresStoreTest, ATableOrColumnGoneSinceOpeningHasItsNumber) {
  test::PgRun(uri, "CREATE TABLE t(a text, b text); CREATE TABLE gone(a text)");
  auto db = Open();
  auto t = db->OpenRecordset("t");
  auto gone = db->OpenRecordset("gone");
  test::PgRun(uri, "ALTER TABLE t DROP COLUMN b; DROP TABLE gone");
  EXPECT_EQ(Failure(*t, "b", "x"), kErrNoColumn);    // 42703
  EXPECT_EQ(Failure(*gone, "a", "x"), kErrNoTable);  // 42P01
}

TEST_F(PostgresStoreTest, ALockHeldByAnotherWriterEndsTheWaitAndTheGroup) {
  test::PgRun(uri, "CREATE TABLE t(a text)");
  test::PgSession holder(uri);
  holder.Run("BEGIN; LOCK TABLE t IN ACCESS EXCLUSIVE MODE");
  auto db = Open(";lock_timeout=100ms");
  auto rs = db->OpenRecordset("t");
  EXPECT_EQ(CatchError([&] { db->EmptyTable("t"); }).number(), kErrLocked);  // 55P03
  db->BeginTrans();
  for (int i = 1; i <= 3; ++i) {
    rs->AddNew();
    rs->SetField("a", "x");
    rs->Queue(i);
  }
  const auto failures = rs->Flush();
  // Every row fails with the lock, after one wait, and the group is given up.
  ASSERT_EQ(failures.size(), 3u);
  for (const auto& f : failures) EXPECT_EQ(f.error.number(), kErrLocked);
  EXPECT_FALSE(db->InTransaction());
  holder.Run("ROLLBACK");
}

TEST_F(PostgresStoreTest, NamesThatNeedQuotingAndSchemaQualifiedNames) {
  test::PgRun(uri, R"(
    CREATE SCHEMA "Sales";
    CREATE TABLE "Sales"."Order Lines"("Qty Col" integer, "x""y" text);
    CREATE TABLE "My Table"("Name" text);
    CREATE TABLE Errori(NumRiga integer, CodErr integer, MsgErr varchar(200));)");
  auto db = Open();
  EXPECT_EQ(db->TableDefs(), (std::vector<std::string>{"My Table", "errori"}));
  EXPECT_TRUE(db->HasTable("Sales.Order Lines"));
  EXPECT_TRUE(db->HasTable("public.My Table"));
  EXPECT_FALSE(db->HasTable("Order Lines"));
  EXPECT_FALSE(db->HasTable("Errori"));  // unquoted names were folded to lower case
  auto lines = db->OpenRecordset("Sales.Order Lines");
  lines->AddNew();
  lines->SetField("qty col", "3");
  lines->SetField("X\"Y", "q'uote");
  lines->Update();
  EXPECT_EQ(test::PgQuery(uri, R"(SELECT * FROM "Sales"."Order Lines")"), (Rows{{"3", "q'uote"}}));
  auto errors = db->OpenRecordset("errori");
  EXPECT_EQ(errors->ColumnIndex("NumRiga"), 0);
  EXPECT_EQ(errors->MaxLength(errors->ColumnIndex("MSGERR")), 200);
  db->EmptyTable("Sales.Order Lines");
  EXPECT_EQ(lines->RecordCount(), 0);
}

}  // namespace
}  // namespace vandrel::store
