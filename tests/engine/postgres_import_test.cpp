// A whole silent import into PostgreSQL, the password given as MDBPassword: the same file gives
// the same rows, error rows, counts and result as into SQLite. (A server that goes away
// mid-import: postgres_refusal_import_test.cpp; a table another writer holds:
// postgres_store_test.cpp.)
#include <gtest/gtest.h>

#include "pg_server.h"
#include "test_support.h"
#include "vandrel/app_folder.h"
#include "vandrel/import.h"
#include "vandrel/spec_files.h"
#include "vandrel/vandrel_ctl.h"

namespace vandrel {
namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kSchema = R"(
  CREATE TABLE "Items"(code VARCHAR(5) UNIQUE, qty INTEGER CHECK (qty >= 0),
                       price NUMERIC(8,2), day DATE, note TEXT DEFAULT 'none');
  CREATE TABLE errori(numriga INTEGER, coderr INTEGER, msgerr VARCHAR(300));)";

// `lines` data lines after a header; some are bad in each way a line can be.
std::string MakeFile(int lines) {
  std::string text = "code;qty;price;day;note\r\n";
  for (int i = 1; i <= lines; ++i) {
    std::string code = "C" + std::to_string(i), qty = std::to_string(i % 7);
    std::string day = "2024-01-" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(i % 28 + 1);
    std::string note = i == 10 ? "caff\xE8" : i == 11 ? "tab\\slash" : "n" + std::to_string(i);
    if (i % 97 == 0) qty = "x";              // not a number
    if (i == 300) code = "C1";               // a repeated code, refused by the server
    if (i == 700) qty = "-5";                // breaks the CHECK, refused by the server
    if (i == 710) code = "C2";               // another repeated code
    if (i == 900) day = "2024-02-30";        // not a date
    if (i == 1000) code = "TOOLONG";         // too long for the column
    if (i == 1100) note += ";extra;fields";  // more fields than the layout has
    text += code + ";" + qty + ";" + std::to_string(i) + ".25;" + day + ";" + note + "\r\n";
  }
  return text;
}

class PostgresImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANDREL_REQUIRE_PG(server);
    uri = server->CreateDatabase();
    test::PgRun(uri, kSchema);
    sqlite = dir.file("shop.db");
    test::RunSql(sqlite, kSchema);
    test::ResetControl();
    SetApplicationFolder(dir.path().string());
    ASSERT_TRUE(specs::Append(dir.path().string(), "csv",
                              specs::DelimitedSpecRecord{"csv", ";", "{NESSUNO}", 1}));
    file = dir.file("in.txt");
  }
  void TearDown() override { SetApplicationFolder({}); }

  // A silent import into `database`, code, qty, price, day and note from fields 0-4: its
  // result and counts (lines read, rows stored, error rows, error rows lost), its rows, its
  // error rows.
  std::vector<Rows> Silent(const std::string& database, const std::string& connect) {
    ctl.InitProperties();
    ctl.setMDBPassword(connect);
    ctl.setMDBFile(database);
    ctl.setTabImport("Items");
    ctl.setTabError("errori");
    const char* columns[] = {"code", "qty", "price", "day", "note"};
    ctl.setNumField(4);
    for (std::int16_t x = 0; x < 5; ++x) {
      ctl.setInfoField(x, kColumnName, columns[x]);
      ctl.setInfoField(x, kAssociatedColumn, std::to_string(x));
    }
    ctl.setFileType(fDelimited);
    ctl.setImportFile(file);
    ctl.setSpecificationName("csv");
    ctl.setAction(aBackground);
    const ImportStats& s = ctl.LastImportStats();
    const auto query = [&](const std::string& sql) {
      return connect.empty() ? test::Query(database, sql) : test::PgQuery(database, sql);
    };
    return {{{std::to_string(ctl.ImportResult()), std::to_string(s.linesRead),
              std::to_string(s.rowsStored), std::to_string(s.errorRows),
              std::to_string(s.errorRowsLost)}},
            query(R"(SELECT code, qty, CAST(price * 100 AS INTEGER), day, note FROM "Items"
                     ORDER BY code)"),
            query("SELECT numriga, coderr FROM errori ORDER BY numriga")};
  }

  test::PgServer* server = nullptr;
  test::TempDir dir;
  std::string uri, sqlite, file;
  VandrelCtl ctl;
};

TEST_F(PostgresImportTest, TheSameFileGivesTheSameRowsErrorsAndResultAsIntoSqlite) {
  test::WriteFile(file, MakeFile(1200));
  const std::vector<Rows> intoSqlite = Silent(sqlite, "");
  EXPECT_EQ(intoSqlite[0], (Rows{{"3", "1200", "1182", "18", "0"}}));  // SError
  EXPECT_EQ(Silent(uri, test::PgServer::Connect()), intoSqlite);
  EXPECT_EQ(intoSqlite[1][1],
            (std::vector<std::string>{"C10", "3", "1025", "2024-01-11", "caff\xC3\xA8"}));
}

}  // namespace
}  // namespace vandrel
