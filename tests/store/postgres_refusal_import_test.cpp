// Imports into PostgreSQL of files with lines the client or the server refuses: each refused
// line becomes its own error row (line, number, column) in line order and the rest is
// stored, into a table spread over partitions and another server too; a server that goes
// away while a batch with a refused line is being resent ends the import with the lost
// connection, keeping an exact prefix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <optional>

#include "pg_server.h"
#include "test_support.h"
#include "vandrel/import.h"
#include "vandrel/layout.h"
#include "vandrel/store.h"

namespace vandrel {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class PostgresRefusalImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANDREL_REQUIRE_PG(server);
    uri = server->CreateDatabase();
    test::PgRun(uri, R"(
      CREATE TABLE parent(id integer PRIMARY KEY); INSERT INTO parent VALUES (1), (2);
      CREATE TABLE errori(numriga integer, coderr integer, msgerr varchar(300),
                          nomecolonna varchar(40));)");
    file = dir.file("in.txt");
  }
  // Groups of a few dozen lines, when a test needs several in a small file.
  std::chrono::milliseconds groupTime{1000};

  // `lines` lines "N;nN;2020-01-01;1.5;1", N the line's number, some replaced by `instead`.
  void Write(int lines, const std::map<int, std::string>& instead) {
    std::string text;
    for (int i = 1; i <= lines; ++i) {
      const auto found = instead.find(i);
      text += found != instead.end()
                  ? found->second
                  : std::to_string(i) + ";n" + std::to_string(i % 1000) + ";2020-01-01;1.5;1";
      text += '\n';
    }
    test::WriteFile(file, text);
  }

  // Fields 0 to 4 into id, name, born, amount and parent, or the first two of them.
  ImportOutcome Import(const std::string& table, std::size_t columns = 5,
                       std::function<void(const ImportStats&)> progress = {}) {
    ImportRequest request;
    request.textFile = file;
    request.target = {uri, test::PgServer::Connect(), table, "errori"};
    request.lineFields = 5;
    request.groupTime = groupTime;
    request.progress = std::move(progress);
    const char* names[] = {"id", "name", "born", "amount", "parent"};
    for (std::size_t i = 0; i < columns; ++i) {
      InfoFieldRow row;
      row[kColumnName] = names[i];
      row[kAssociatedColumn] = std::to_string(i);
      request.fields.push_back(row);
    }
    return ImportaDelimitato(request, MakeDelimitedLayout(";", "{NESSUNO}", 0));
  }

  test::PgServer* server = nullptr;
  test::TempDir dir;
  std::string uri, file;
};

struct Refused {
  int line;
  std::string text;
  std::string number, column;
};

TEST_F(PostgresRefusalImportTest, EachRefusalIsAnErrorRowWithItsLineNumberAndColumn) {
  test::PgRun(uri, R"(CREATE TABLE t(id bigint PRIMARY KEY, name varchar(5) NOT NULL, born date,
                        amount numeric(6,2) CHECK (amount >= 0), parent integer REFERENCES parent))");
  const std::vector<Refused> refused = {
      {3, "x;n;2020-01-01;1;1", "3421", "id"},            // not a number
      {7, "7;n;2020-02-30;1;1", "3421", "born"},          // not a date
      {12, "12;toolong;2020-01-01;1;1", "3163", "name"},  // too long
      {15, ";n;2020-01-01;1;1", "3314", "id"},            // NOT NULL, checked here
      {20, "1;n;2020-01-01;1;1", "3022", "id"},           // the key of line 1, by the server
      {30, "30;n;2020-01-01;1;99", "3201", "parent"},     // no such parent
      {40, "40;n;2020-01-01;-1;1", "3317", "amount"},     // the CHECK
      {41, "41;n;2020-01-01;-2;1", "3317", "amount"},
      {60, "1;n;2020-01-01;1;1", "3022", "id"},  // and again on the last line
  };
  std::map<int, std::string> lines;
  Rows want;
  for (const Refused& r : refused) {
    lines[r.line] = r.text;
    want.push_back({std::to_string(r.line), r.number, r.column});
  }
  Write(60, lines);
  const ImportOutcome outcome = Import("t");
  ASSERT_FALSE(outcome.error) << outcome.error->description();
  EXPECT_EQ(test::PgQuery(uri, "SELECT numriga, coderr, nomecolonna FROM errori ORDER BY numriga"),
            want);
  EXPECT_EQ(outcome.counts.rowsStored, 60 - static_cast<std::int64_t>(want.size()));
  EXPECT_EQ(test::PgQuery(uri, "SELECT count(*) FROM t")[0][0],
            std::to_string(outcome.counts.rowsStored));
}

TEST_F(PostgresRefusalImportTest, ALostConnectionWhileResendingARefusedBatchIsWhatIsReported) {
  // The server ends the session at line 1010's row, after line 1000 of the same group was
  // refused for its key; groups are 64 lines, so lines 1 to 960 are committed.
  test::PgRun(uri, R"(
    CREATE TABLE t(id bigint PRIMARY KEY, name text, born date, amount numeric, parent integer);
    CREATE FUNCTION cut() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN
      IF NEW.id = 1010 THEN PERFORM pg_terminate_backend(pg_backend_pid()); END IF;
      RETURN NEW; END$$;
    CREATE TRIGGER cut BEFORE INSERT ON t FOR EACH ROW EXECUTE FUNCTION cut();)");
  groupTime = std::chrono::milliseconds(0);
  Write(2000, {{1000, "1;n;2020-01-01;1;1"}});
  const ImportOutcome outcome = Import("t");
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->number(), store::kErrCannotConnect) << outcome.error->description();
  EXPECT_NE(outcome.error->description().find("terminating connection"), std::string::npos)
      << outcome.error->description();
  EXPECT_EQ(outcome.counts.rowsStored, 960);
  EXPECT_EQ(test::PgQuery(uri, "SELECT count(*), max(id) FROM t"), (Rows{{"960", "960"}}));
}

TEST_F(PostgresRefusalImportTest, ATableSpreadOverTwoServersTakesRowsAndStopsWhenOneGoes) {
  std::string why;
  test::PgServer* other = test::PgServer::Get(why, 1);
  if (!other) {
    if (std::getenv("CI")) FAIL() << why;
    GTEST_SKIP() << why;
  }
  const std::string remote = other->CreateDatabase();
  test::PgRun(remote, "CREATE TABLE spread_1(id integer PRIMARY KEY, name text)");
  test::PgRun(uri, R"(
    CREATE EXTENSION postgres_fdw;
    CREATE SERVER shard FOREIGN DATA WRAPPER postgres_fdw
      OPTIONS (host ')" +
                       other->socketDir() + "', dbname '" + test::PgServer::DatabaseOf(remote) +
                       R"(');
    CREATE USER MAPPING FOR CURRENT_USER SERVER shard
      OPTIONS (user 'vandrel', password ')" +
                       test::PgServer::kPassword + R"(');
    CREATE TABLE spread(id integer, name text) PARTITION BY HASH (id);
    CREATE TABLE spread_0 PARTITION OF spread (PRIMARY KEY (id))
      FOR VALUES WITH (MODULUS 2, REMAINDER 0);
    CREATE FOREIGN TABLE spread_1 PARTITION OF spread
      FOR VALUES WITH (MODULUS 2, REMAINDER 1) SERVER shard;
    CREATE FOREIGN TABLE far(id integer) SERVER shard OPTIONS (table_name 'spread_1');
    CREATE VIEW seen AS SELECT 1 AS id;)");
  {  // Tables, partitioned and foreign ones included, are listed; partitions and views are not.
    auto db = store::OpenDatabase(uri, false, true, test::PgServer::Connect());
    EXPECT_EQ(db->TableDefs(), (std::vector<std::string>{"parent", "errori", "spread", "far"}));
    EXPECT_EQ(test::CatchError([&] { db->OpenRecordset("seen"); }).number(), store::kErrNoTable);
  }
  // Every id twice: one of each pair is refused, here or on the other server.
  std::map<int, std::string> lines;
  for (int i = 101; i <= 200; ++i) lines[i] = std::to_string(i - 100) + ";again";
  Write(200, lines);
  ImportOutcome outcome = Import("spread", 2);
  ASSERT_FALSE(outcome.error) << outcome.error->description();
  EXPECT_EQ(outcome.counts.rowsStored, 100);
  EXPECT_EQ(test::PgQuery(uri,
                          "SELECT count(*), min(numriga), max(numriga), "
                          "count(DISTINCT coderr), min(nomecolonna) FROM errori"),
            (Rows{{"100", "101", "200", "1", "id"}}));
  EXPECT_NE(test::PgQuery(remote, "SELECT count(*) FROM spread_1")[0][0], "0");

  // The other server stops once the first group is in: the import ends with the lost
  // connection, and exactly the committed rows are there, on either server.
  test::PgRun(uri, "TRUNCATE spread_0, errori");
  test::PgRun(remote, "TRUNCATE spread_1");
  groupTime = std::chrono::milliseconds(0);
  Write(2000, {});
  std::optional<std::int64_t> committed;
  {
    struct Restart {
      test::PgServer* s;
      ~Restart() { s->Start(); }
    } restart{other};
    outcome = Import("spread", 2, [&](const ImportStats& s) {
      if (!committed) {
        committed = s.rowsStored;
        other->Stop();
      }
    });
  }
  ASSERT_TRUE(outcome.error);
  ASSERT_TRUE(committed);
  EXPECT_EQ(outcome.error->number(), store::kErrCannotConnect) << outcome.error->description();
  EXPECT_EQ(outcome.counts.rowsStored, *committed);
  EXPECT_EQ(test::PgQuery(uri, "SELECT count(*) FROM spread")[0][0], std::to_string(*committed));
}

}  // namespace
}  // namespace vandrel
