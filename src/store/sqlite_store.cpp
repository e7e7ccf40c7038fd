// The table store over SQLite. One Database owns one sqlite3 connection; a Recordset keeps
// the table's column types and prepared INSERT statements, one per set of assigned columns,
// so that a long import prepares its statement once and only binds and steps per row.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <map>
#include <optional>
#include <utility>

#include "store/column_type.h"
#include "store/stores.h"
#include "util/ascii.h"
#include "util/quote.h"
#include "vandrel/error.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using ascii::EqualsNoCase;

std::string QuoteIdentifier(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  return q;
}

constexpr auto Trim = ascii::TrimBlanks;

// The store's number for an SQLite result code, constraint kinds included.
std::int32_t NumberFor(int extended) {
  switch (extended) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_ROWID:
      return kErrDuplicateKey;
    case SQLITE_CONSTRAINT_NOTNULL:
      return kErrRequired;
    case SQLITE_CONSTRAINT_CHECK:
    case SQLITE_CONSTRAINT_TRIGGER:
      return kErrValidation;
    case SQLITE_CONSTRAINT_FOREIGNKEY:
      return kErrForeignKey;
    default:
      break;
  }
  switch (extended & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kErrLocked;
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
    case SQLITE_CORRUPT:
      return kErrCannotOpen;
    case SQLITE_READONLY:
      return kErrReadOnly;
    default:
      return kErrStoreOther;
  }
}

[[noreturn]] void Fail(sqlite3* db, int rc, std::string prefix = {}) {
  const int extended = db ? sqlite3_extended_errcode(db) : rc;
  std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  throw Error(NumberFor(extended), prefix.empty() ? message : prefix + message, kStoreSource);
}

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql) {
    int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) Fail(db, rc);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// How long LetOthersWrite leaves the database to other writers: the default busy handler's
// longest sleep (100 ms) and a margin for a loaded machine to wake the sleeper.
constexpr std::chrono::milliseconds kHandOver{120};

struct ConnectOptions {
  int busyTimeoutMs = 5000;
  bool foreignKeys = true;
};

ConnectOptions ParseConnect(std::string_view connect) {
  ConnectOptions options;
  while (!connect.empty()) {
    std::size_t semi = connect.find(';');
    std::string_view pair = Trim(connect.substr(0, semi));
    connect = semi == std::string_view::npos ? std::string_view{} : connect.substr(semi + 1);
    if (pair.empty()) continue;
    std::size_t eq = pair.find('=');
    std::string_view key = Trim(pair.substr(0, eq));
    std::string_view value =
        eq == std::string_view::npos ? std::string_view{} : Trim(pair.substr(eq + 1));
    auto bad = [&](const std::string& why) -> Error {
      return Error(kErrBadConnect, "The connect string's '" + std::string(key) + "' " + why,
                   kStoreSource);
    };
    if (EqualsNoCase(key, "busy_timeout")) {
      int ms = -1;
      auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
      if (ec != std::errc() || p != value.data() + value.size() || ms < 0) {
        throw bad("needs a number of milliseconds.");
      }
      options.busyTimeoutMs = ms;
    } else if (EqualsNoCase(key, "foreign_keys")) {
      if (EqualsNoCase(value, "on") || value == "1" || EqualsNoCase(value, "true")) {
        options.foreignKeys = true;
      } else if (EqualsNoCase(value, "off") || value == "0" || EqualsNoCase(value, "false")) {
        options.foreignKeys = false;
      } else {
        throw bad("takes on or off.");
      }
    } else {
      throw bad(
          "cannot be honoured by an SQLite database (it accepts busy_timeout and foreign_keys).");
    }
  }
  return options;
}

struct Column {
  std::string name;
  ColumnType type;
};

class SqliteDatabase;

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
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (EqualsNoCase(columns_[i].name, column)) return static_cast<int>(i);
    }
    throw Error(kErrNoColumn,
                "No column named '" + std::string(column) + "' in the table '" + table_ + "'.",
                kStoreSource);
  }

  bool TakesText(int column) const override {
    if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return false;
    const ColumnKind kind = columns_[static_cast<std::size_t>(column)].type.kind;
    return kind == ColumnKind::Text || kind == ColumnKind::Any;
  }
  int MaxLength(int column) const override {
    if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return -1;
    const ColumnType& type = columns_[static_cast<std::size_t>(column)].type;
    return type.kind == ColumnKind::Text ? type.length : -1;
  }

  void SetField(int column, std::string_view text) override {
    const Column& c = Checked(column);
    ConvertText(c.type, format_, c.name, text, values_[static_cast<std::size_t>(column)]);
    assigned_[static_cast<std::size_t>(column)] = 1;
  }

  void Convert(int column, std::string_view text, Value& out) const override {
    if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) NoColumn(column);
    const Column& c = columns_[static_cast<std::size_t>(column)];
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
    if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) NoColumn(column);
    return columns_[static_cast<std::size_t>(column)];
  }

  [[noreturn]] void NoColumn(int column) const {
    throw Error(kErrNoColumn,
                "No column number " + std::to_string(column) + " in the table '" + table_ + "'.",
                kStoreSource);
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

  // Runs one SQL command that cannot fail in normal use (savepoints); false when it did.
  bool Run(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
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
        if (!Run("SAVEPOINT vandrel_batch")) Fail(db_, sqlite3_errcode(db_));
        int param = 1;
        for (int r = 0; r < rows; ++r) Bind(stmt, param, batchMask_, RowSlot(r));
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE) lastFailure_ = RowError(batchMask_, nullptr);
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE) GiveUpTransactionAfter(rc);
        if (rc == SQLITE_DONE && sqlite3_changes(db_) == rows) {
          Run("RELEASE vandrel_batch");
          return;
        }
        // Undo the statement's work and go row by row. (When the failure already undid the
        // whole transaction, there is no savepoint left and these do nothing.)
        Run("ROLLBACK TO vandrel_batch");
        Run("RELEASE vandrel_batch");
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

class SqliteDatabase final : public Database {
 public:
  SqliteDatabase(const std::string& name, bool exclusive, bool readOnly, std::string_view connect)
      : connect_(connect) {
    const ConnectOptions options = ParseConnect(connect);
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
      throw Error(kErrDatabaseNotFound, "The database file '" + name + "' was not found.",
                  kStoreSource);
    }
    if (S_ISDIR(st.st_mode)) {
      throw Error(kErrCannotOpen, "'" + name + "' is a folder, not a database file.", kStoreSource);
    }
    const int flags =
        (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    sqlite3* handle = nullptr;
    int rc = sqlite3_open_v2(name.c_str(), &handle, flags, nullptr);
    db_.reset(handle);  // sqlite3_open_v2 gives a handle to close even when it fails
    {
      if (rc != SQLITE_OK) Fail(handle, rc, "The database '" + name + "' cannot be opened: ");
      sqlite3_extended_result_codes(handle, 1);
      sqlite3_busy_timeout(handle, options.busyTimeoutMs);
      if (exclusive) Run("PRAGMA locking_mode = EXCLUSIVE");
      Run(options.foreignKeys ? "PRAGMA foreign_keys = ON" : "PRAGMA foreign_keys = OFF");
      // SQLite opens lazily; reading the schema proves the file is a database we can read.
      Statement probe(handle, "SELECT count(*) FROM sqlite_schema");
      rc = sqlite3_step(probe.get());
      if (rc != SQLITE_ROW)
        Fail(handle, rc, "The file '" + name + "' cannot be opened as a database: ");
    }
    if (!readOnly) RequireWritable(name);
  }

  ~SqliteDatabase() override { Close(); }

  std::vector<std::string> TableDefs() override {
    Statement list(Handle(),
                   "SELECT name FROM sqlite_schema WHERE type = 'table' AND "
                   "name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid");
    std::vector<std::string> names;
    int rc;
    while ((rc = sqlite3_step(list.get())) == SQLITE_ROW) {
      names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0)));
    }
    if (rc != SQLITE_DONE) Fail(db_.get(), rc);
    return names;
  }

  std::unique_ptr<Recordset> OpenRecordset(std::string_view table) override {
    std::vector<Column> columns;
    {
      Statement info(Handle(), "PRAGMA table_info(" + QuoteIdentifier(table) + ")");
      int rc;
      while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
        auto text = [&](int i) {
          const unsigned char* t = sqlite3_column_text(info.get(), i);
          return std::string(t ? reinterpret_cast<const char*>(t) : "");
        };
        columns.push_back({text(1), ParseDeclaredType(text(2))});
      }
      if (rc != SQLITE_DONE) Fail(db_.get(), rc);
    }
    // Table names are matched exactly, as the host gave them.
    const auto tables = TableDefs();
    if (columns.empty() || std::find(tables.begin(), tables.end(), table) == tables.end()) {
      throw Error(kErrNoTable, "No table named '" + std::string(table) + "' in the database.",
                  kStoreSource);
    }
    return std::make_unique<SqliteRecordset>(db_.get(), std::string(table), std::move(columns));
  }

  void EmptyTable(std::string_view table) override {
    OpenRecordset(table);  // a clear kErrNoTable for a missing table
    Run("DELETE FROM " + QuoteIdentifier(table));
  }

  const std::string& Connect() const override { return connect_; }

  void SetConnect(std::string_view connect) override {
    const ConnectOptions options = ParseConnect(connect);
    sqlite3_busy_timeout(Handle(), options.busyTimeoutMs);
    Run(options.foreignKeys ? "PRAGMA foreign_keys = ON" : "PRAGMA foreign_keys = OFF");
    connect_ = std::string(connect);
  }

  void BeginTrans() override { Run("BEGIN"); }
  void CommitTrans() override { Run("COMMIT"); }
  void Rollback() override {
    if (InTransaction()) Run("ROLLBACK");
  }
  bool InTransaction() const override { return db_ && !sqlite3_get_autocommit(db_.get()); }

  // SQLite tells no one that a connection waits: a writer that finds the database locked
  // sleeps in its busy handler, 1, 2, 5, ... ms at first and then 100 ms at a time, and tries
  // again. A pause as long as its longest sleep is certain to see it wake and take the lock; a
  // shorter one catches it only by chance, and the next transaction shuts it out again.
  void LetOthersWrite() override {
    if (InTransaction()) return;
    sqlite3_sleep(static_cast<int>(kHandOver.count()));
  }

  // Work not committed is rolled back: closing a connection never stores half a group.
  void Close() override {
    if (db_ && InTransaction()) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    db_.reset();
  }

 private:
  sqlite3* Handle() const {
    if (!db_) throw Error(kErrStoreOther, "The database is closed.", kStoreSource);
    return db_.get();
  }

  // A connection opened for writing is refused at once when its writes would fail: SQLite
  // falls back to reading only when the file is write-protected, and needs the folder to make
  // its journal in. Found here, nothing has been changed yet; found at the first write, a
  // table might already be emptied.
  void RequireWritable(const std::string& name) {
    if (sqlite3_db_readonly(Handle(), "main") == 1) {
      throw Error(kErrReadOnly,
                  "The database '" + name + "' is read-only: it can be read but not changed.",
                  kStoreSource);
    }
    std::string journal;
    {
      Statement mode(Handle(), "PRAGMA journal_mode");
      if (sqlite3_step(mode.get()) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(mode.get(), 0);
        journal = text ? reinterpret_cast<const char*>(text) : "";
      }
    }
    if (EqualsNoCase(journal, "memory") || EqualsNoCase(journal, "off")) return;
    const auto slash = name.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : name.substr(0, slash));
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
      throw Error(kErrReadOnly,
                  "The database '" + name + "' cannot be changed: its folder '" + folder +
                      "' is read-only, and SQLite keeps its journal there while it writes.",
                  kStoreSource);
    }
  }

  void Run(const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(Handle(), sql.c_str(), nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK) Fail(db_.get(), rc);
  }

  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
  std::string connect_;
};

}  // namespace

std::unique_ptr<Database> OpenSqliteDatabase(const std::string& name, bool exclusive, bool readOnly,
                                             std::string_view connect) {
  return std::make_unique<SqliteDatabase>(name, exclusive, readOnly, connect);
}

}  // namespace vandrel::store
