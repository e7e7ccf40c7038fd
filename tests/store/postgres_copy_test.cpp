// The PostgreSQL store's COPY: rows the server refuses cost only themselves wherever they sit
// in a batch, and values arrive the same through the binary and the text format, whatever
// their number and date format. (Tables spread over partitions and another server:
// postgres_refusal_import_test.cpp.)
#include <gtest/gtest.h>

#include <set>

#include "pg_server.h"
#include "test_support.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class PostgresCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANDREL_REQUIRE_PG(server);
    uri = server->CreateDatabase();
  }
  std::unique_ptr<Database> Open() {
    return OpenDatabase(uri, false, false, test::PgServer::Connect());
  }
  test::PgServer* server = nullptr;
  std::string uri;
};

struct EdgeCase {
  const char* name;
  int rows;
  std::set<int> duplicates;  // rows repeating a key the table holds
  std::set<int> orphans;     // rows naming a parent that is not there
};

TEST_F(PostgresCopyTest, RefusedRowsAnywhereInABatchFailAloneAndTheRestIsStored) {
  test::PgRun(uri, R"(
    CREATE TABLE p(id integer PRIMARY KEY); INSERT INTO p VALUES (1);
    CREATE TABLE t(id integer PRIMARY KEY, parent integer REFERENCES p(id));
    INSERT INTO t VALUES (-1, 1);)");
  std::set<int> all, scattered = {0, 1, 2, 500, 501, 3000, 9999, 10000, 10001, 11999};
  for (int i = 0; i < 300; ++i) all.insert(i);
  for (int i = 4000; i < 6000; i += 97) scattered.insert(i);  // dense, then clean stretches
  const EdgeCase cases[] = {
      {"the first row", 50, {0}, {}},
      {"the last row", 50, {49}, {}},
      {"the first and the last row", 50, {0, 49}, {}},
      {"every row", 300, all, {}},
      {"foreign keys, which name no line", 100, {}, {3, 60, 99}},
      {"both kinds, out of the order they are found in", 100, {10, 70}, {40}},
      {"refusals near and far apart over two batches", 12000, scattered, {7000, 7001, 10500}},
  };
  auto db = Open();
  auto rs = db->OpenRecordset("t");
  for (const EdgeCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::PgRun(uri, "DELETE FROM t WHERE id > 0");
    db->BeginTrans();
    for (int i = 0; i < c.rows; ++i) {
      rs->AddNew();
      rs->SetField("id", std::string_view(c.duplicates.count(i) ? "-1" : std::to_string(i + 1)));
      rs->SetField("parent", std::string_view(c.orphans.count(i) ? "99" : "1"));
      rs->Queue(i);
    }
    const auto failures = rs->Flush();
    ASSERT_TRUE(db->InTransaction());
    db->CommitTrans();
    std::vector<std::tuple<std::int64_t, std::int32_t, std::string>> got, want;
    for (const auto& f : failures) got.emplace_back(f.tag, f.error.number(), f.column);
    for (int i = 0; i < c.rows; ++i) {
      if (c.duplicates.count(i)) want.emplace_back(i, kErrDuplicateKey, "id");
      if (c.orphans.count(i)) want.emplace_back(i, kErrForeignKey, "parent");
    }
    EXPECT_EQ(got, want);
    EXPECT_EQ(test::PgQuery(uri, "SELECT count(*) FROM t WHERE id > 0")[0][0],
              std::to_string(c.rows - static_cast<int>(want.size())));
  }
}

// Each row's values as text, column by column (an empty string leaves the column NULL); the
// last row is written the Italian way, with a decimal comma and day-first dates.
const std::vector<std::vector<std::string>> kExtremes = {
    {"-32768", "-2147483648", "-9223372036854775808", "-3.4e38", "-1.7976931348623157e308",
     "-999999999999999999999999999.9999999999", "-0.000000000000000000001", "no", "0001-01-01",
     "00:00:00", "0001-01-01 00:00:00", "a", "", "tab\there"},
    {"32767", "2147483647", "9223372036854775807", "1.17549435e-38", "2.2250738585072014e-308",
     "9999999999999999999999999999.9999999999", "123456789012345678901234567890.123456789", "yes",
     "9999-12-31", "23:59:59.999999", "9999-12-31 23:59:59.999999", "abcde", "x",
     "back\\slash\nline\r\n \xF0\x9F\x98\x80"},
    {"0", "0", "0", "0", "-0", "1.23456789015", "1.005e2", "1", "2000-01-01", "12:34:56.5",
     "1999-12-31T23:59:59.5", " ", "\\N", "\xC3\xBC"},
    {"", "7", "", "", "", "", "", "", "", "", "", "", "", ""},
    {"", "", "", "", "-0,125", "1.250,50", "", "", "19/09/2004", "", "1.9.2004 10:00", "", "", ""},
};

TEST_F(PostgresCopyTest, ValuesArriveTheSameInTheBinaryAndTheTextFormat) {
  const std::string columns = "i2, i4, i8, f4, f8, n, nu, b, d, t, ts, c, v, x";
  test::PgRun(uri, R"(
    CREATE TABLE bin(i2 smallint, i4 integer, i8 bigint, f4 real, f8 double precision,
                     n numeric(38,10), nu numeric, b boolean, d date, t time, ts timestamp,
                     c char(5), v varchar(10), x text);
    CREATE TABLE txt(LIKE bin, u uuid);)");
  auto db = Open();
  for (const char* table : {"bin", "txt"}) {
    auto rs = db->OpenRecordset(table);
    db->BeginTrans();
    std::int64_t tag = 0;
    for (const auto& row : kExtremes) {
      if (&row == &kExtremes.back()) rs->SetValueFormat({',', DateOrder::DMY});
      rs->AddNew();
      for (int c = 0; c < static_cast<int>(row.size()); ++c) {
        const std::string& value = row[static_cast<std::size_t>(c)];
        if (!value.empty() || c == 12) rs->SetField(c, value);
      }
      // A column without a rule here sends the whole batch as text.
      if (std::string(table) == "txt") rs->SetField("u", "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11");
      rs->Queue(tag++);
    }
    EXPECT_TRUE(rs->Flush().empty());
    db->CommitTrans();
  }
  for (const auto& [a, b] : {std::pair{"bin", "txt"}, std::pair{"txt", "bin"}}) {
    EXPECT_EQ(test::PgQuery(uri, "SELECT count(*) FROM (SELECT " + columns + " FROM " + a +
                                     " EXCEPT ALL SELECT " + columns + " FROM " + b + ") d")[0][0],
              "0")
        << a << " has rows " << b << " lacks";
  }
  EXPECT_EQ(test::PgQuery(uri, "SELECT count(*) FROM bin")[0][0], "5");
  EXPECT_EQ(test::PgQuery(uri, "SELECT n, nu, f4, ts, c, x FROM bin WHERE i4 = 0"),
            (Rows{{"1.2345678902", "100.5", "0", "1999-12-31 23:59:59.5", "     ", "\xC3\xBC"}}));
  EXPECT_EQ(test::PgQuery(uri, "SELECT i8, n, d, ts FROM bin WHERE i4 > 7"),
            (Rows{{"9223372036854775807", "9999999999999999999999999999.9999999999", "9999-12-31",
                   "9999-12-31 23:59:59.999999"}}));
  EXPECT_EQ(test::PgQuery(uri, "SELECT v IS NULL, x IS NULL, length(v) FROM bin WHERE i4 = 7"),
            (Rows{{"f", "t", "0"}}));
  EXPECT_EQ(test::PgQuery(uri, "SELECT f8, n, d, ts FROM bin WHERE i4 IS NULL AND d IS NOT NULL"),
            (Rows{{"-0.125", "1250.5000000000", "2004-09-19", "2004-09-01 10:00:00"}}));
}

}  // namespace
}  // namespace vandrel::store
