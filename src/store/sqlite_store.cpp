// The table store over SQLite: one Database owns one sqlite3 connection (its recordsets are
// in sqlite_recordset.cpp).
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
#include "store/sqlite_support.h"
#include "store/stores.h"
#include "util/ascii.h"
#include "util/quote.h"
#include "vandrel/error.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using ascii::EqualsNoCase;
using namespace sqlite;
constexpr auto Trim = ascii::TrimBlanks;

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
    return MakeRecordset(db_.get(), std::string(table), std::move(columns));
  }

  void EmptyTable(std::string_view table) override {
    OpenRecordset(table);  // a clear kErrNoTable for a missing table
    Run("DELETE FROM " + QuoteIdentifier(table));
  }

  void CreateTable(std::string_view table, const std::vector<NewColumn>& columns) override {
    std::string sql = "CREATE TABLE " + QuoteIdentifier(table) + "(";
    for (std::size_t i = 0; i < columns.size(); ++i) {
      sql += (i ? ", " : "") + QuoteIdentifier(columns[i].name) + " " + columns[i].type;
    }
    Run(sql + ")");
  }

  void CreateErrorTable(std::string_view table) override {
    Run("CREATE TABLE " + QuoteIdentifier(table) +
        "(NumRiga INTEGER, CodErr INTEGER, MsgErr TEXT, TestoRiga TEXT, NomeColonna TEXT)");
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

void CreateSqliteFile(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0) return;
  sqlite3* handle = nullptr;
  const int rc =
      sqlite3_open_v2(name.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  // SQLite writes nothing until asked to: the schema version makes the file a database.
  const int written =
      rc == SQLITE_OK ? sqlite3_exec(handle, "PRAGMA user_version = 0", nullptr, nullptr, nullptr)
                      : rc;
  const std::string why = handle ? sqlite3_errmsg(handle) : "out of memory";
  sqlite3_close_v2(handle);
  if (rc != SQLITE_OK || written != SQLITE_OK) {
    throw Error(kErrCannotOpen, "The database file '" + name + "' cannot be made: " + why,
                kStoreSource);
  }
}

std::unique_ptr<Database> OpenSqliteDatabase(const std::string& name, bool exclusive, bool readOnly,
                                             std::string_view connect) {
  return std::make_unique<SqliteDatabase>(name, exclusive, readOnly, connect);
}

}  // namespace vandrel::store
