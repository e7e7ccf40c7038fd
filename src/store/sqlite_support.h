// What the SQLite store's database and recordsets share: the one place that knows SQLite's
// result codes, a prepared statement that finalizes itself, and the recordset's factory.
// Internal to the store.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/column_type.h"
#include "vandrel/store.h"

namespace vandrel::store::sqlite {

// `name` quoted as an SQL identifier, so no name can carry SQL.
std::string QuoteIdentifier(std::string_view name);

// The store's number for an SQLite result code, constraint kinds included.
std::int32_t NumberFor(int extended);

// Throws the store's error for the failure `rc` of `db` (its message after `prefix`).
[[noreturn]] void Fail(sqlite3* db, int rc, std::string prefix = {});

// A prepared statement, finalized when it goes.
class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// A savepoint as a guard: what was done under it is rolled back, and the savepoint let go,
// when the guard goes without Release. When a failure already undid the whole transaction
// there is no savepoint left and the guard does nothing.
class Savepoint {
 public:
  // Throws the store's error when the savepoint cannot be set.
  Savepoint(sqlite3* db, const char* name);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;
  void Release();

 private:
  sqlite3* db_;
  std::string name_;
  bool set_ = true;
};

using Column = TableColumn;

// A recordset over `table` of the connection `db`, which must outlive it.
std::unique_ptr<Recordset> MakeRecordset(sqlite3* db, std::string table,
                                         std::vector<Column> columns);

}  // namespace vandrel::store::sqlite
