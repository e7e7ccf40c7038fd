// What every store promises, run over each store: the same tables, the same calls, the same
// rows and error numbers.
#include <gtest/gtest.h>

#include "pg_server.h"
#include "test_support.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using test::CatchError;
using Rows = std::vector<std::vector<std::string>>;

class StoreContractTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (Postgres()) {
      test::PgServer* server = nullptr;
      VANDREL_REQUIRE_PG(server);
      name = server->CreateDatabase();
      connect = test::PgServer::Connect();
    } else {
      name = dir.file("shop.db");
    }
    Run(R"(
      CREATE TABLE "Parents"(id INTEGER PRIMARY KEY);
      INSERT INTO "Parents" VALUES (1);
      CREATE TABLE "Items"(
        id )" +
        std::string(Postgres() ? "SERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT") +
        R"(,
        code VARCHAR(3) UNIQUE,
        qty SMALLINT CHECK (qty >= 0),
        price DECIMAL(6,2),
        weight INTEGER NOT NULL DEFAULT 0,
        parent INTEGER REFERENCES "Parents"(id),
        note TEXT DEFAULT 'none');
      CREATE TABLE "we""ird"(a TEXT);
      CREATE TABLE "Victim"(a TEXT);
    )");
  }

  bool Postgres() const { return GetParam() == "PostgreSQL"; }
  void Run(const std::string& sql) {
    Postgres() ? test::PgRun(name, sql) : test::RunSql(name, sql);
  }
  Rows Query(const std::string& sql) {
    return Postgres() ? test::PgQuery(name, sql) : test::Query(name, sql);
  }
  std::unique_ptr<Database> Open(bool readOnly = false) {
    return OpenDatabase(name, false, readOnly, connect);
  }

  test::TempDir dir;
  std::string name, connect;
};

// Opened read-only: tables listed in order, matched exactly, read, and never written.
TEST_P(StoreContractTest, TablesAreListedInOrderAndMatchedExactly) {
  auto db = Open(true);
  EXPECT_EQ(db->TableDefs(), (std::vector<std::string>{"Parents", "Items", "we\"ird", "Victim"}));
  EXPECT_TRUE(db->HasTable("Items"));
  EXPECT_FALSE(db->HasTable("items"));
  EXPECT_EQ(CatchError([&] { db->OpenRecordset("items"); }).number(), kErrNoTable);
  EXPECT_EQ(CatchError([&] { db->OpenRecordset("Nothing"); }).number(), kErrNoTable);
  EXPECT_EQ(db->OpenRecordset("Parents")->RecordCount(), 1);
  auto rs = db->OpenRecordset("Victim");
  rs->AddNew();
  rs->SetField("a", "x");
  EXPECT_EQ(CatchError([&] { rs->Update(); }).number(), kErrReadOnly);
  EXPECT_EQ(CatchError([&] { db->EmptyTable("Victim"); }).number(), kErrReadOnly);
}

TEST_P(StoreContractTest, EmptyTableQuotesTheTableNameSoNothingElseRuns) {
  Run(R"(INSERT INTO "Victim" VALUES ('safe'); INSERT INTO "we""ird" VALUES ('x');)");
  auto db = Open();
  EXPECT_EQ(CatchError([&] { db->EmptyTable("Victim; DROP TABLE Parents"); }).number(),
            kErrNoTable);
  db->EmptyTable("we\"ird");
  EXPECT_EQ(Query(R"(SELECT count(*) FROM "Victim")")[0][0], "1");
  EXPECT_EQ(Query(R"(SELECT count(*) FROM "we""ird")")[0][0], "0");
  EXPECT_EQ(db->TableDefs().size(), 4u);
  db->EmptyTable("Victim");
  EXPECT_EQ(Query(R"(SELECT count(*) FROM "Victim")")[0][0], "0");
}

TEST_P(StoreContractTest, RowsAreStoredTypedWithDefaultsForUnassignedColumns) {
  auto db = Open();
  auto rs = db->OpenRecordset("Items");
  rs->AddNew();
  rs->SetField("CODE", "A1");
  rs->SetField("qty", " 7");
  rs->SetField("price", "12.5");
  rs->SetField("parent", std::int64_t{1});
  rs->Update();
  rs->AddNew();
  rs->SetField("qty", "");
  rs->Update();
  EXPECT_EQ(Query(R"(SELECT code, qty + 1, CAST(price AS REAL), weight, note FROM "Items"
                     ORDER BY id)"),
            (Rows{{"A1", "8", "12.5", "0", "none"}, {"NULL", "NULL", "NULL", "0", "none"}}));
}

TEST_P(StoreContractTest, EachFailureHasItsNumberAndNamesTheColumnAndValue) {
  Run(R"(INSERT INTO "Items"(code) VALUES ('DUP'))");
  auto db = Open();
  auto rs = db->OpenRecordset("Items");
  auto failure = [&](auto&& assign) {
    return CatchError([&] {
      rs->AddNew();
      assign();
      rs->Update();
    });
  };
  const Error type = failure([&] { rs->SetField("qty", "tre"); });
  EXPECT_EQ(type.number(), kErrTypeConversion);
  EXPECT_NE(type.description().find("'tre'"), std::string::npos);
  EXPECT_NE(type.description().find("'qty'"), std::string::npos);
  EXPECT_EQ(failure([&] { rs->SetField("qty", "40000"); }).number(), kErrTypeConversion);
  EXPECT_EQ(failure([&] { rs->SetField("code", "LONG"); }).number(), kErrTooLong);
  const Error dup = failure([&] { rs->SetField("code", "DUP"); });
  EXPECT_EQ(dup.number(), kErrDuplicateKey);
  EXPECT_NE(dup.description().find("DUP"), std::string::npos) << dup.description();
  EXPECT_EQ(failure([&] { rs->SetField("weight", ""); }).number(), kErrRequired);
  EXPECT_EQ(failure([&] { rs->SetField("qty", "-1"); }).number(), kErrValidation);
  EXPECT_EQ(failure([&] { rs->SetField("parent", "42"); }).number(), kErrForeignKey);
  EXPECT_EQ(failure([&] { rs->SetField("colour", "red"); }).number(), kErrNoColumn);
  EXPECT_EQ(rs->RecordCount(), 1);
}

TEST_P(StoreContractTest, AFailingRowInsideATransactionUndoesOnlyItself) {
  auto db = Open();
  auto rs = db->OpenRecordset("Items");
  db->BeginTrans();
  for (const char* code : {"A", "A", "B"}) {
    rs->AddNew();
    rs->SetField("code", code);
    try {
      rs->Update();
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), kErrDuplicateKey);
    }
    EXPECT_TRUE(db->InTransaction());
  }
  db->CommitTrans();
  EXPECT_EQ(Query(R"(SELECT code FROM "Items" ORDER BY id)"), (Rows{{"A"}, {"B"}}));
}

TEST_P(StoreContractTest, QueuedRowsStandOrFallOnTheirOwnAndKeepTheirOrder) {
  auto db = Open();
  auto rs = db->OpenRecordset("Items");
  db->BeginTrans();
  // 100 rows; rows 7 and 70 repeat a code, row 50 breaks a CHECK.
  for (int i = 1; i <= 100; ++i) {
    rs->AddNew();
    rs->SetField("code", i == 7 ? "1" : i == 70 ? "2" : std::to_string(i));
    rs->SetField("qty", i == 50 ? "-1" : "1");
    if (i == 60) {
      rs->SetField("note", "other columns");  // a row with other columns flushes the batch
    }
    rs->Queue(i);
  }
  rs->AddNew();
  rs->SetField("code", "end");
  rs->Update();  // stored after everything queued before it
  const auto failures = rs->Flush();
  db->CommitTrans();
  std::vector<std::pair<std::int64_t, std::int32_t>> got;
  for (const auto& f : failures) got.emplace_back(f.tag, f.error.number());
  EXPECT_EQ(got,
            (decltype(got){{7, kErrDuplicateKey}, {50, kErrValidation}, {70, kErrDuplicateKey}}));
  EXPECT_TRUE(rs->Flush().empty());
  // In order, without the failed rows 7 and 50, whatever ids the refusals used up.
  const Rows rows = Query(R"(SELECT code, note FROM "Items" ORDER BY id)");
  ASSERT_EQ(rows.size(), 98u);
  EXPECT_EQ((Rows{rows[5], rows[6], rows[57], rows.back()}),
            (Rows{{"6", "none"}, {"8", "none"}, {"60", "other columns"}, {"end", "none"}}));
}

// A first import makes its tables: the guessed types hold the values the import converts for
// them, names are quoted as given, and the error table takes every column error rows fill.
TEST_P(StoreContractTest, MadeTablesTakeTheirValuesAndErrorRows) {
  auto db = Open();
  db->CreateTable("Sales 2024", {{"Order ID", "INTEGER"},
                                 {"Città", "TEXT"},
                                 {"Amount", "DECIMAL(18,2)"},
                                 {"Paid", "BOOLEAN"},
                                 {"Day", "DATE"},
                                 {"At", "DATETIME"},
                                 {"Rate", "REAL"}});
  db->CreateErrorTable("Sales 2024_errors");
  EXPECT_TRUE(db->HasTable("Sales 2024") && db->HasTable("Sales 2024_errors"));
  EXPECT_NE(CatchError([&] { db->CreateTable("Victim", {{"a", "TEXT"}}); }).number(), 0);
  auto rs = db->OpenRecordset("Sales 2024");
  EXPECT_EQ(rs->ColumnNames(),
            (std::vector<std::string>{"Order ID", "Città", "Amount", "Paid", "Day", "At", "Rate"}));
  rs->AddNew();
  const char* values[] = {"9007199254740993",    "Forlì", "12345.67", "sì", "2024-02-29",
                          "2024-02-29 23:59:58", "0.5"};
  for (int c = 0; c < 7; ++c) rs->SetField(c, values[c]);
  rs->Update();
  EXPECT_EQ(
      Query(R"(SELECT "Order ID", "Città", "Amount", "Paid", "Day", "Rate" FROM "Sales 2024")"),
      (Rows{
          {"9007199254740993", "Forlì", "12345.67", Postgres() ? "t" : "1", "2024-02-29", "0.5"}}));
  auto errors = db->OpenRecordset("Sales 2024_errors");
  for (const char* column : {"NumRiga", "CodErr", "MsgErr", "TestoRiga", "NomeColonna"}) {
    EXPECT_TRUE(errors->ColumnIndex(column) >= 0) << column;
  }
  EXPECT_TRUE(errors->TakesText(errors->ColumnIndex("TestoRiga")));
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContractTest, ::testing::Values("SQLite", "PostgreSQL"),
                         [](const auto& p) { return p.param; });

}  // namespace
}  // namespace vandrel::store
