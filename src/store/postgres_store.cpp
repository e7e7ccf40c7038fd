// The table store over PostgreSQL, through libpq. One Database owns one connection; a
// Recordset (postgres_recordset.cpp) reads its table's column types once and then sends rows
// with COPY ... FROM STDIN, many to a statement. Values are checked against the column types
// on this side with the same rules as for SQLite, so the server only ever refuses a row for a
// constraint or for a type this side has no rule for.
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "store/column_type.h"
#include "store/connect_text.h"
#include "store/postgres_link.h"
#include "store/postgres_recordset.h"
#include "store/stores.h"
#include "vandrel/error.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

void IgnoreNotice(void*, const char*) {}

// The server's type for a type a guessed layout names: whole numbers as 64-bit integers, the
// others as their namesakes.
std::string PostgresTypeOf(std::string_view type) {
  if (type == "INTEGER") return "bigint";
  if (type == "REAL") return "double precision";
  if (type.starts_with("DECIMAL")) return "numeric" + std::string(type.substr(7));
  if (type == "BOOLEAN") return "boolean";
  if (type == "DATE") return "date";
  if (type == "DATETIME") return "timestamp";
  return "text";
}

// libpq's keywords, and this store's own.
bool IsKnownKeyword(std::string_view keyword) {
  if (keyword == "lock_timeout") return true;
  static const std::vector<std::string> kKeywords = [] {
    std::vector<std::string> names;
    PQconninfoOption* options = PQconndefaults();
    for (PQconninfoOption* o = options; o && o->keyword; ++o) names.emplace_back(o->keyword);
    PQconninfoFree(options);
    return names;
  }();
  return std::find(kKeywords.begin(), kKeywords.end(), keyword) != kKeywords.end();
}

std::vector<KeywordValue> CheckedPairs(std::string_view connect) {
  std::vector<KeywordValue> pairs = ParseKeywordPairs(connect);
  for (const KeywordValue& kv : pairs) {
    if (!IsKnownKeyword(kv.keyword)) {
      throw Error(kErrBadConnect,
                  "The connect string's '" + kv.keyword +
                      "' is not a PostgreSQL connection keyword (see libpq's list) nor "
                      "lock_timeout.",
                  kStoreSource);
    }
  }
  return pairs;
}

class PostgresDatabase final : public Database {
 public:
  PostgresDatabase(const std::string& uri, bool readOnly, std::string_view connect)
      : connect_(connect) {
    const std::vector<KeywordValue> pairs = CheckedPairs(connect);
    // Entries before the URI are defaults it may override; those after it override it.
    std::vector<std::pair<std::string, std::string>> params = {
        {"connect_timeout", "10"}, {"fallback_application_name", "vandrel"}, {"dbname", uri}};
    std::string lockTimeout = "5s";
    for (const KeywordValue& kv : pairs) {
      if (kv.keyword == "lock_timeout") {
        lockTimeout = kv.value;
      } else {
        params.emplace_back(kv.keyword, kv.value);
      }
    }
    params.emplace_back("client_encoding", "UTF8");  // the values are UTF-8 whatever is asked
    std::vector<const char*> keys, values;
    for (const auto& [k, v] : params) {
      keys.push_back(k.c_str());
      values.push_back(v.c_str());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    link_ = std::make_shared<Link>(PQconnectdbParams(keys.data(), values.data(), 1));
    if (!link_->get()) throw Error(kErrOutOfMemory, {}, kStoreSource);
    if (PQstatus(link_->get()) != CONNECTION_OK) ConnectFailed(uri);
    PQsetNoticeProcessor(link_->get(), IgnoreNotice, nullptr);
    SetLockTimeout(lockTimeout);
    if (readOnly) link_->Run("SET default_transaction_read_only = on");
  }

  ~PostgresDatabase() override { Close(); }

  // Partitions are reached through their parent, so only the parent is offered.
  std::vector<std::string> TableDefs() override {
    Result r = Handle().Run(
        "SELECT c.relname FROM pg_catalog.pg_class c "
        "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relkind IN ('r', 'p', 'f') AND NOT c.relispartition "
        "AND pg_catalog.pg_table_is_visible(c.oid) "
        "AND n.nspname <> 'information_schema' AND n.nspname NOT LIKE 'pg\\_%' ORDER BY c.oid");
    std::vector<std::string> names;
    for (int i = 0; i < PQntuples(r.get()); ++i) names.emplace_back(PQgetvalue(r.get(), i, 0));
    return names;
  }

  bool HasTable(std::string_view table) override { return Resolve(table).has_value(); }

  std::unique_ptr<Recordset> OpenRecordset(std::string_view table) override {
    const auto found = Resolve(table);
    if (!found) NoTable(table);
    // A column is required here when a row cannot leave it empty: NOT NULL, no default or
    // identity, no trigger before the insert that could fill it in, and a table of this
    // server (a foreign table's constraints are its own server's business).
    Result r = Handle().Run(
        "SELECT a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod), "
        "a.attnotnull AND NOT a.atthasdef AND a.attidentity = '' AND $2 <> 'f' AND NOT EXISTS "
        "(SELECT 1 FROM pg_catalog.pg_trigger g WHERE g.tgrelid = a.attrelid "
        "AND (g.tgtype & 7) = 7) "
        "FROM pg_catalog.pg_attribute a WHERE a.attrelid = $1 AND a.attnum > 0 "
        "AND NOT a.attisdropped AND a.attgenerated = '' ORDER BY a.attnum",
        {found->oid, found->kind});
    PostgresTable t{std::string(table), found->quoted, found->relation, {}, {}};
    for (int i = 0; i < PQntuples(r.get()); ++i) {
      t.columns.push_back(
          {PQgetvalue(r.get(), i, 0), PostgresColumnType(PQgetvalue(r.get(), i, 1))});
      t.required.push_back(PQgetvalue(r.get(), i, 2)[0] == 't');
    }
    return OpenPostgresRecordset(link_, std::move(t));
  }

  void EmptyTable(std::string_view table) override {
    const auto found = Resolve(table);
    if (!found) NoTable(table);
    Handle().RunGuarded("DELETE FROM " + found->quoted);
  }

  void CreateTable(std::string_view table, const std::vector<NewColumn>& columns) override {
    std::string sql = "CREATE TABLE " + Handle().Identifier(table) + "(";
    for (std::size_t i = 0; i < columns.size(); ++i) {
      sql += (i ? ", " : "") + Handle().Identifier(columns[i].name) + " " +
             PostgresTypeOf(columns[i].type);
    }
    Handle().Run(sql + ")");
  }

  void CreateErrorTable(std::string_view table) override {
    Handle().Run(
        "CREATE TABLE " + Handle().Identifier(table) +
        "(numriga bigint, coderr integer, msgerr text, testoriga text, nomecolonna text)");
  }

  const std::string& Connect() const override { return connect_; }

  // Keywords of the connection itself take effect at the next open; lock_timeout at once.
  void SetConnect(std::string_view connect) override {
    for (const KeywordValue& kv : CheckedPairs(connect)) {
      if (kv.keyword == "lock_timeout") SetLockTimeout(kv.value);
    }
    connect_ = std::string(connect);
  }

  void BeginTrans() override { Handle().Run("BEGIN"); }

  void CommitTrans() override {
    Handle().Idle();  // a batch still streaming belongs to this transaction
    // COMMIT of a failed transaction rolls it back without an error: say so.
    if (PQtransactionStatus(Handle().get()) == PQTRANS_INERROR) {
      Rollback();
      throw Error(kErrStoreOther, "The transaction had failed and was rolled back.", kStoreSource);
    }
    Handle().Run("COMMIT");
  }

  void Rollback() override {
    Handle().Idle();
    const PGTransactionStatusType s = PQtransactionStatus(Handle().get());
    if (s == PQTRANS_INTRANS || s == PQTRANS_INERROR) Handle().Run("ROLLBACK");
  }

  bool InTransaction() const override { return link_ && link_->InTransaction(); }

  // Work not committed is rolled back: closing a connection never stores half a group.
  void Close() override {
    if (link_) link_->Close();  // recordsets still open find it closed
    link_.reset();
  }

 private:
  struct Table {
    std::string oid;
    std::string quoted;    // schema-qualified, each part quoted
    std::string relation;  // its own name
    std::string kind;      // r a table, p a partitioned one, f a foreign one
  };

  Link& Handle() const {
    if (!link_) throw Error(kErrStoreOther, "The database is closed.", kStoreSource);
    return *link_;
  }

  [[noreturn]] static void NoTable(std::string_view table) {
    throw Error(kErrNoTable,
                "No table named '" + std::string(table) +
                    "' in the database's search path (names match letter case).",
                kStoreSource);
  }

  // A table named exactly `table` among those the search path shows, else `schema.table`:
  // a table, a partitioned one or a foreign one.
  std::optional<Table> Resolve(std::string_view table) {
    static constexpr const char* kSelect =
        "SELECT c.oid, n.nspname, c.relname, c.relkind FROM pg_catalog.pg_class c "
        "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relkind IN ('r', 'p', 'f') ";
    Result r = Handle().Run(
        std::string(kSelect) + "AND c.relname = $1 AND pg_catalog.pg_table_is_visible(c.oid)",
        {std::string(table)});
    if (PQntuples(r.get()) == 0) {
      const std::size_t dot = table.find('.');
      if (dot == std::string_view::npos) return std::nullopt;
      r = Handle().Run(std::string(kSelect) + "AND n.nspname = $1 AND c.relname = $2",
                       {std::string(table.substr(0, dot)), std::string(table.substr(dot + 1))});
      if (PQntuples(r.get()) == 0) return std::nullopt;
    }
    return Table{PQgetvalue(r.get(), 0, 0),
                 Handle().Identifier(PQgetvalue(r.get(), 0, 1)) + "." +
                     Handle().Identifier(PQgetvalue(r.get(), 0, 2)),
                 PQgetvalue(r.get(), 0, 2), PQgetvalue(r.get(), 0, 3)};
  }

  void SetLockTimeout(const std::string& value) {
    try {
      Handle().Run("SELECT pg_catalog.set_config('lock_timeout', $1, false)", {value});
    } catch (const Error& e) {
      throw Error(kErrBadConnect,
                  "The connect string's 'lock_timeout' is not a duration: " + e.description(),
                  kStoreSource);
    }
  }

  // libpq reports a failed connection by text only; the server's authentication refusals
  // (28P01, 28000) and a missing database are told apart from an unreachable server by it.
  [[noreturn]] void ConnectFailed(const std::string& uri) {
    std::string message = PQerrorMessage(link_->get());
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
      message.pop_back();
    }
    const bool account = PQconnectionNeedsPassword(link_->get()) ||
                         message.find("authentication failed") != std::string::npos ||
                         message.find("no pg_hba.conf entry") != std::string::npos ||
                         message.find("not permitted to log in") != std::string::npos ||
                         (message.find("role \"") != std::string::npos &&
                          message.find("does not exist") != std::string::npos);
    const bool noDatabase = message.find("database \"") != std::string::npos &&
                            message.find("does not exist") != std::string::npos;
    const std::int32_t number = account      ? kErrBadAccount
                                : noDatabase ? kErrStoreOther
                                             : kErrCannotConnect;
    link_.reset();
    throw Error(number, MaskPasswords("Cannot connect to the database '" + uri + "': " + message),
                kStoreSource);
  }

  std::shared_ptr<Link> link_;
  std::string connect_;
};

}  // namespace

std::unique_ptr<Database> OpenPostgresDatabase(const std::string& uri, bool readOnly,
                                               std::string_view connect) {
  return std::make_unique<PostgresDatabase>(uri, readOnly, connect);
}

}  // namespace vandrel::store
