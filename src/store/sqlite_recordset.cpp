// The SQLite store's recordset: a table's column types and its prepared INSERT statements,
// one per set of assigned columns and batch size, so that a long import prepares its
// statements once and only binds and steps per row; rows queued in batches of up to 32, a
// failing batch retried row by row.
#include <algorithm>
#include <map>
#include <utility>

#include "store/sqlite_support.h"
#include "util/ascii.h"
#include "util/quote.h"
#include "vandrel/error.h"

namespace vandrel::store::sqlite {
namespace {

using ascii::EqualsNoCase;

class SqliteRecordset final : public Recordset {
 public:
  SqliteRecordset(sqlite3* db, std::string table, std::vector<Column> columns)
      : db_(db),
        table_(std::move(table)),
        columns_(std::move(columns)),
        values_(columns_.size()),
        assigned_(columns_.size(), 0) {
    // As many rows per statement as SQLite's parameter limit allows, up to 32: beyond that the
    // gain is small and a failing batch costs more to sort out.
    const int limit = sqlite3_limit(db_, SQLITE_LIMIT_VARIABLE_NUMBER, -1);
    batchCapacity_ =
        std::clamp(limit / static_cast<int>(std::max<std::size_t>(columns_.size(), 1)), 1, 32);
    batch_.resize(static_cast<std::size_t>(batchCapacity_) * columns_.size());
    batchTags_.resize(static_cast<std::size_t>(batchCapacity_));
  }

  std::int64_t RecordCount() override {
    Statement count(db_, "SELECT count(*) FROM " + QuoteIdentifier(table_));
    int rc = sqlite3_step(count.get());
    if (rc != SQLITE_ROW) Fail(db_, rc);
    return sqlite3_column_int64(count.get(), 0);
  }

  void AddNew() override {
    std::fill(assigned_.begin(), assigned_.end(), 0);
    pending_ = true;
  }

  int ColumnIndex(std::string_view column) const override {
    return FindColumn(columns_, column, table_);
  }
  std::vector<std::string> ColumnNames() const override { return NamesOf(columns_); }
  bool TakesText(int column) const override { return ColumnTakesText(columns_, column); }
  int MaxLength(int column) const override { return ColumnMaxLength(columns_, column); }

  void SetField(int column, std::string_view text) override {
    const Column& c = Checked(column);
    ConvertText(c.type, format_, c.name, text, values_[static_cast<std::size_t>(column)]);
    assigned_[static_cast<std::size_t>(column)] = 1;
  }

  void Convert(int column, std::string_view text, Value& out) const override {
    const Column& c = ColumnAt(columns_, column, table_);
    ConvertText(c.type, format_, c.name, text, out);
  }

  void SetConverted(int column, Value& value) override {
    Checked(column);
    Value& v = values_[static_cast<std::size_t>(column)];
    v.type = value.type;
    v.integer = value.integer;
    v.real = value.real;
    v.text.swap(value.text);  // the buffers change hands: neither side allocates
    assigned_[static_cast<std::size_t>(column)] = 1;
  }

  void SetField(int column, std::int64_t number) override {
    const Column& c = Checked(column);
    Value& v = values_[static_cast<std::size_t>(column)];
    if (c.type.kind == ColumnKind::Text) {
      ConvertText(c.type, format_, c.name, std::to_string(number), v);
    } else {
      v.type = Value::Type::Integer;
      v.integer = number;
    }
    assigned_[static_cast<std::size_t>(column)] = 1;
  }

  void Update() override {
    RequirePending("Update");
    FlushBatch();  // rows queued earlier go first
    pending_ = false;
    if (!InsertRow(assigned_, values_.data())) throw lastFailure_;
  }

  void Queue(std::int64_t tag) override {
    RequirePending("Queue");
    if (batchRows_ > 0 && assigned_ != batchMask_) FlushBatch();
    if (batchRows_ == 0) batchMask_ = assigned_;
    Value* slot = RowSlot(batchRows_);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (assigned_[i]) slot[i] = values_[i];
    }
    batchTags_[static_cast<std::size_t>(batchRows_)] = tag;
    pending_ = false;
    if (++batchRows_ == batchCapacity_) FlushBatch();
  }

  std::vector<QueuedFailure> Flush() override {
    FlushBatch();
    return std::exchange(failures_, {});
  }

  void Close() override {
    pending_ = false;
    batchRows_ = 0;
    lastInsert_ = nullptr;
    inserts_.clear();
  }

 private:
  void RequirePending(const char* operation) const {
    if (!pending_) {
      throw Error(kErrStoreOther, std::string(operation) + " without AddNew.", kStoreSource);
    }
  }

  const Column& Checked(int column) const {
    RequirePending("SetField");
    return ColumnAt(columns_, column, table_);
  }

  Value* RowSlot(int row) { return &batch_[static_cast<std::size_t>(row) * columns_.size()]; }

  // The INSERT of `rows` rows for this set of columns, prepared on first use. Columns left
  // unassigned keep the table's defaults, so they are not named in the statement.
  sqlite3_stmt* InsertFor(const std::vector<char>& assigned, int rows) {
    // An import assigns the same columns on almost every row.
    if (lastInsert_ && rows == lastRows_ && assigned == lastAssigned_) return lastInsert_;
    auto key = std::make_pair(assigned, rows);
    sqlite3_stmt* found = nullptr;
    if (auto it = inserts_.find(key); it != inserts_.end()) {
      found = it->second->get();
    } else {
      std::string names, params;
      for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (!assigned[i]) continue;
        names += (names.empty() ? "" : ", ") + QuoteIdentifier(columns_[i].name);
        params += params.empty() ? "?" : ", ?";
      }
      std::string sql = "INSERT INTO " + QuoteIdentifier(table_);
      if (names.empty()) {
        sql += " DEFAULT VALUES";  // one row only: rows without columns are not batched
      } else {
        sql += " (" + names + ") VALUES ";
        for (int r = 0; r < rows; ++r) sql += (r ? ", (" : "(") + params + ")";
      }
      auto stmt = std::make_unique<Statement>(db_, sql);  // may throw: nothing cached yet
      found = stmt->get();
      inserts_.emplace(key, std::move(stmt));
    }
    lastAssigned_ = assigned;
    lastRows_ = rows;
    return lastInsert_ = found;
  }

  static void Bind(sqlite3_stmt* stmt, int& param, const std::vector<char>& assigned,
                   const Value* row) {
    for (std::size_t i = 0; i < assigned.size(); ++i) {
      if (!assigned[i]) continue;
      const Value& v = row[i];
      switch (v.type) {
        case Value::Type::Null:
          sqlite3_bind_null(stmt, param);
          break;
        case Value::Type::Integer:
          sqlite3_bind_int64(stmt, param, v.integer);
          break;
        case Value::Type::Real:
          sqlite3_bind_double(stmt, param, v.real);
          break;
        case Value::Type::Text:
          sqlite3_bind_text(stmt, param, v.text.data(), static_cast<int>(v.text.size()),
                            SQLITE_STATIC);
          break;
      }
      ++param;
    }
  }

  // After a full disk, an I/O error or exhausted memory, SQLite may have undone the statement
  // only, or the whole transaction; it asks the application to roll back itself. The group
  // is then given up for certain, and the import learns so from InTransaction.
  void GiveUpTransactionAfter(int rc) {
    const int primary = rc & 0xFF;
    if ((primary == SQLITE_FULL || primary == SQLITE_IOERR || primary == SQLITE_NOMEM) &&
        !sqlite3_get_autocommit(db_)) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
  }

  // Inserts one row; false when SQLite refused it or stored nothing (lastFailure_ says why).
  bool InsertRow(const std::vector<char>& assigned, const Value* row) {
    sqlite3_stmt* stmt = InsertFor(assigned, 1);
    int param = 1;
    Bind(stmt, param, assigned, row);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) lastFailure_ = RowError(assigned, row);
    sqlite3_reset(stmt);  // every parameter is bound again for the next row
    if (rc != SQLITE_DONE) GiveUpTransactionAfter(rc);
    if (rc == SQLITE_DONE && sqlite3_changes(db_) == 0) {
      lastFailure_ = Error(kErrStoreOther,
                           "The table ignored the row (a constraint declared ON CONFLICT IGNORE, "
                           "or a trigger), so it was not stored.",
                           kStoreSource);
      return false;
    }
    return rc == SQLITE_DONE;
  }

  // Stores the queued rows. A full batch goes in one statement inside a savepoint; when that
  // statement fails, or the table keeps fewer rows than it was given, the savepoint undoes it
  // (whatever conflict clause the table declares) and the rows go one by one, so each stands
  // or falls on its own and every failure is known by its tag.
  void FlushBatch() {
    if (batchRows_ == 0) return;
    const int rows = std::exchange(batchRows_, 0);
    const bool inTransaction = !sqlite3_get_autocommit(db_);
    const bool hasColumns = std::find(batchMask_.begin(), batchMask_.end(), 1) != batchMask_.end();
    int next = 0;  // the first row not yet stored or failed
    try {
      if (rows > 1 && hasColumns) {
        sqlite3_stmt* stmt = InsertFor(batchMask_, rows);
        Savepoint batch(db_, "vandrel_batch");
        int param = 1;
        for (int r = 0; r < rows; ++r) Bind(stmt, param, batchMask_, RowSlot(r));
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE) lastFailure_ = RowError(batchMask_, nullptr);
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE) GiveUpTransactionAfter(rc);
        if (rc == SQLITE_DONE && sqlite3_changes(db_) == rows) {
          batch.Release();
          return;
        }
        // Leaving the block undoes the statement's work; the rows then go one by one.
      }
      for (; next < rows; ++next) {
        if (inTransaction && sqlite3_get_autocommit(db_)) {
          // A failure took the whole transaction with it: nothing more can be stored in it.
          failures_.push_back({batchTags_[static_cast<std::size_t>(next)], lastFailure_});
        } else if (!InsertRow(batchMask_, RowSlot(next))) {
          failures_.push_back({batchTags_[static_cast<std::size_t>(next)], lastFailure_});
        }
      }
    } catch (const Error& e) {
      // A statement could not even be prepared: the rows not yet stored fail with that reason.
      for (; next < rows; ++next) {
        failures_.push_back({batchTags_[static_cast<std::size_t>(next)], e});
      }
    }
  }

  // SQLite names the columns of a failed constraint ("UNIQUE constraint failed: t.a, t.b");
  // the description adds the values the row gave them (when there is one row to name).
  Error RowError(const std::vector<char>& assigned, const Value* row) const {
    std::string message = sqlite3_errmsg(db_);
    const int extended = sqlite3_extended_errcode(db_);
    if (auto colon = message.find(": ");
        row && (extended & 0xFF) == SQLITE_CONSTRAINT && colon != std::string::npos) {
      std::string shown;
      std::string_view rest = std::string_view(message).substr(colon + 2);
      while (!rest.empty()) {
        std::size_t comma = rest.find(", ");
        std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 2);
        std::size_t dot = item.rfind('.');
        std::string_view name = dot == std::string_view::npos ? item : item.substr(dot + 1);
        for (std::size_t i = 0; i < columns_.size(); ++i) {
          if (!EqualsNoCase(columns_[i].name, name)) continue;
          shown += shown.empty() ? " (" : ", ";
          shown += columns_[i].name + " = ";
          shown += assigned[i] ? Describe(row[i]) : "default";
        }
      }
      if (!shown.empty()) message += shown + ")";
    }
    return Error(NumberFor(extended), message, kStoreSource);
  }

  static std::string Describe(const Value& v) {
    switch (v.type) {
      case Value::Type::Null:
        return "empty";
      case Value::Type::Integer:
        return std::to_string(v.integer);
      case Value::Type::Real:
        return std::to_string(v.real);
      default:
        return "'" + Quoted(v.text) + "'";
    }
  }

  sqlite3* db_;
  std::string table_;
  std::vector<Column> columns_;
  std::vector<Value> values_;  // the pending row
  std::vector<char> assigned_;
  bool pending_ = false;

  // Rows queued for one multi-row INSERT, all assigning the same columns.
  int batchCapacity_ = 1;
  int batchRows_ = 0;
  std::vector<Value> batch_;
  std::vector<std::int64_t> batchTags_;
  std::vector<char> batchMask_;
  std::vector<QueuedFailure> failures_;
  Error lastFailure_{kErrStoreOther, "", kStoreSource};

  std::map<std::pair<std::vector<char>, int>, std::unique_ptr<Statement>> inserts_;
  std::vector<char> lastAssigned_;
  int lastRows_ = 0;
  sqlite3_stmt* lastInsert_ = nullptr;
};

}  // namespace

std::unique_ptr<Recordset> MakeRecordset(sqlite3* db, std::string table,
                                         std::vector<Column> columns) {
  return std::make_unique<SqliteRecordset>(db, std::move(table), std::move(columns));
}

}  // namespace vandrel::store::sqlite
