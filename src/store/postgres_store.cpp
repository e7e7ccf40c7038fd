// The table store over PostgreSQL, through libpq. One Database owns one connection; a
// Recordset reads its table's column types once and then sends rows with COPY ... FROM STDIN,
// many to a statement. Values are checked against the column types on this side with the same
// rules as for SQLite, so the server only ever refuses a row for a constraint or for a type
// this side has no rule for.
#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <utility>

#include "store/column_type.h"
#include "store/connect_text.h"
#include "store/postgres_link.h"
#include "store/stores.h"
#include "util/ascii.h"
#include "vandrel/error.h"
#include "vandrel/store.h"

namespace vandrel::store {
namespace {

using ascii::EqualsNoCase;

void IgnoreNotice(void*, const char*) {}

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

struct Column {
  std::string name;
  ColumnType type;
};

// A value as it goes to the server: text, or NULL.
struct Field {
  bool null = true;
  std::string text;
};

void AppendCopyText(std::string& out, const Field& f) {
  if (f.null) {
    out += "\\N";
    return;
  }
  for (char c : f.text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
}

class PostgresRecordset final : public Recordset {
 public:
  PostgresRecordset(Link& link, std::string table, std::string quoted, std::vector<Column> columns)
      : link_(link),
        table_(std::move(table)),
        quoted_(std::move(quoted)),
        columns_(std::move(columns)),
        fields_(columns_.size()),
        assigned_(columns_.size(), 0),
        batch_(kBatchRows * columns_.size()),
        batchTags_(kBatchRows) {}

  std::int64_t RecordCount() override {
    Result r = link_.Run("SELECT count(*) FROM " + quoted_);
    return std::stoll(PQgetvalue(r.get(), 0, 0));
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

  int MaxLength(int column) const override {
    if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return -1;
    const ColumnType& type = columns_[static_cast<std::size_t>(column)].type;
    return type.kind == ColumnKind::Text ? type.length : -1;
  }

  void SetField(int column, std::string_view text) override {
    const Column& c = Checked(column);
    ConvertText(c.type, c.name, text, value_);
    Field& f = fields_[static_cast<std::size_t>(column)];
    f.null = value_.type == Value::Type::Null;
    if (!f.null) {
      switch (c.type.kind) {
        case ColumnKind::Integer:
          SetNumber(f, value_.integer);
          break;
        case ColumnKind::Real:
        case ColumnKind::Decimal:
          // The text as written: the server's numeric keeps every digit a double would not.
          f.text.assign(ascii::TrimBlanks(text));
          break;
        case ColumnKind::Boolean:
          f.text.assign(value_.integer ? "true" : "false");
          break;
        case ColumnKind::Text:
        case ColumnKind::Any:
          f.text.assign(text);
          break;
        default:
          f.text.swap(value_.text);
          break;
      }
    }
    assigned_[static_cast<std::size_t>(column)] = 1;
  }

  void SetField(int column, std::int64_t number) override {
    const Column& c = Checked(column);
    if (c.type.kind == ColumnKind::Text) {
      SetField(column, std::string_view(std::to_string(number)));
      return;
    }
    Field& f = fields_[static_cast<std::size_t>(column)];
    f.null = false;
    SetNumber(f, number);
    assigned_[static_cast<std::size_t>(column)] = 1;
  }

  void Update() override {
    RequirePending("Update");
    FlushBatch();  // rows queued earlier go first
    pending_ = false;
    link_.RunGuarded(InsertSql(assigned_, fields_.data()));
  }

  void Queue(std::int64_t tag) override {
    RequirePending("Queue");
    if (batchRows_ > 0 && assigned_ != batchMask_) FlushBatch();
    if (batchRows_ == 0) batchMask_ = assigned_;
    Field* slot = RowSlot(batchRows_);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (assigned_[i]) slot[i] = fields_[i];
    }
    batchTags_[static_cast<std::size_t>(batchRows_)] = tag;
    pending_ = false;
    if (++batchRows_ == static_cast<int>(kBatchRows)) FlushBatch();
  }

  std::vector<QueuedFailure> Flush() override {
    FlushBatch();
    return std::exchange(failures_, {});
  }

  void Close() override {
    pending_ = false;
    batchRows_ = 0;
  }

 private:
  // Rows per COPY: enough that a statement's round trip is small beside its rows, few enough
  // that a refused batch is quickly sorted out row by row.
  static constexpr std::size_t kBatchRows = 1000;

  static void SetNumber(Field& f, std::int64_t n) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
    f.text.assign(digits, end);
  }

  void RequirePending(const char* operation) const {
    if (!pending_) {
      throw Error(kErrStoreOther, std::string(operation) + " without AddNew.", kStoreSource);
    }
  }

  const Column& Checked(int column) const {
    RequirePending("SetField");
    if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) {
      throw Error(kErrNoColumn,
                  "No column number " + std::to_string(column) + " in the table '" + table_ + "'.",
                  kStoreSource);
    }
    return columns_[static_cast<std::size_t>(column)];
  }

  Field* RowSlot(int row) { return &batch_[static_cast<std::size_t>(row) * columns_.size()]; }

  std::string ColumnList(const std::vector<char>& assigned) const {
    std::string names;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!assigned[i]) continue;
      if (!names.empty()) names += ", ";
      names += link_.Identifier(columns_[i].name);
    }
    return names;
  }

  // Columns left unassigned keep the table's defaults, so they are not named.
  std::string InsertSql(const std::vector<char>& assigned, const Field* row) const {
    const std::string names = ColumnList(assigned);
    if (names.empty()) return "INSERT INTO " + quoted_ + " DEFAULT VALUES";
    std::string sql = "INSERT INTO " + quoted_ + " (" + names + ") VALUES (";
    bool first = true;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!assigned[i]) continue;
      if (!first) sql += ", ";
      first = false;
      if (row[i].null) {
        sql += "NULL";
      } else {
        link_.AppendLiteral(sql, row[i].text);
      }
    }
    return sql + ")";
  }

  // Stores the queued rows with one COPY inside a savepoint. When the server refuses a row,
  // the savepoint undoes the whole COPY and the rows go one by one, each in its own savepoint,
  // so each stands or falls on its own and every failure is known by its tag. When the
  // failure is not a row's own (a lock, a lost link) no row can be stored: the transaction is
  // given up and every row fails with that error.
  void FlushBatch() {
    if (batchRows_ == 0) return;
    const int rows = std::exchange(batchRows_, 0);
    const bool inTransaction = link_.InTransaction();
    const std::string names = ColumnList(batchMask_);
    if (rows > 1 && !names.empty()) {
      copyData_.clear();
      for (int r = 0; r < rows; ++r) {
        const Field* row = RowSlot(r);
        bool first = true;
        for (std::size_t i = 0; i < columns_.size(); ++i) {
          if (!batchMask_[i]) continue;
          if (!first) copyData_ += '\t';
          first = false;
          AppendCopyText(copyData_, row[i]);
        }
        copyData_ += '\n';
      }
      const std::string copy = "COPY " + quoted_ + " (" + names + ") FROM STDIN";
      Result failed = Copy(inTransaction ? "SAVEPOINT vandrel_batch; " + copy +
                                               "; RELEASE vandrel_batch"
                                         : copy);
      if (!failed) return;
      const Error error = link_.ErrorOf(failed.get());
      const char* state = PQresultErrorField(failed.get(), PG_DIAG_SQLSTATE);
      if (link_.Lost() || !state || !IsRowFailure(state)) {
        if (inTransaction && !link_.Lost()) link_.Exec("ROLLBACK");
        for (int r = 0; r < rows; ++r) {
          failures_.push_back({batchTags_[static_cast<std::size_t>(r)], error});
        }
        return;
      }
      if (inTransaction) link_.Settle(failed.get(), "vandrel_batch");
    }
    std::optional<Error> givenUp;
    for (int r = 0; r < rows; ++r) {
      const std::int64_t tag = batchTags_[static_cast<std::size_t>(r)];
      if (givenUp) {
        failures_.push_back({tag, *givenUp});
        continue;
      }
      try {
        link_.RunGuarded(InsertSql(batchMask_, RowSlot(r)));
      } catch (const Error& e) {
        failures_.push_back({tag, e});
        if (inTransaction && !link_.InTransaction()) givenUp = e;
      }
    }
  }

  // Runs `sql`, which holds one COPY FROM STDIN, sending copyData_; null when every statement
  // succeeded, else the first failed result.
  Result Copy(const std::string& sql) {
    PGconn* conn = link_.get();
    Result r(PQexec(conn, sql.c_str()));
    if (PQresultStatus(r.get()) != PGRES_COPY_IN) return r ? std::move(r) : Result();
    r.reset();
    Result failed;
    if (PQputCopyData(conn, copyData_.data(), static_cast<int>(copyData_.size())) != 1 ||
        PQputCopyEnd(conn, nullptr) != 1) {
      failed.reset(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
    }
    while (PGresult* next = PQgetResult(conn)) {
      Result result(next);
      if (!failed && !Link::Ok(next)) failed = std::move(result);
      if (link_.Lost()) break;
    }
    if (!failed && link_.Lost()) failed.reset(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
    return failed;
  }

  Link& link_;
  std::string table_;
  std::string quoted_;
  std::vector<Column> columns_;
  std::vector<Field> fields_;  // the pending row
  std::vector<char> assigned_;
  Value value_;
  bool pending_ = false;

  int batchRows_ = 0;
  std::vector<Field> batch_;
  std::vector<std::int64_t> batchTags_;
  std::vector<char> batchMask_;
  std::vector<QueuedFailure> failures_;
  std::string copyData_;
};

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
    link_ = std::make_unique<Link>(PQconnectdbParams(keys.data(), values.data(), 1));
    if (!link_->get()) throw Error(kErrOutOfMemory, {}, kStoreSource);
    if (PQstatus(link_->get()) != CONNECTION_OK) ConnectFailed(uri);
    PQsetNoticeProcessor(link_->get(), IgnoreNotice, nullptr);
    SetLockTimeout(lockTimeout);
    if (readOnly) link_->Run("SET default_transaction_read_only = on");
  }

  ~PostgresDatabase() override { Close(); }

  std::vector<std::string> TableDefs() override {
    Result r = Handle().Run(
        "SELECT c.relname FROM pg_catalog.pg_class c "
        "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relkind IN ('r', 'p') AND pg_catalog.pg_table_is_visible(c.oid) "
        "AND n.nspname <> 'information_schema' AND n.nspname NOT LIKE 'pg\\_%' ORDER BY c.oid");
    std::vector<std::string> names;
    for (int i = 0; i < PQntuples(r.get()); ++i) names.emplace_back(PQgetvalue(r.get(), i, 0));
    return names;
  }

  bool HasTable(std::string_view table) override { return Resolve(table).has_value(); }

  std::unique_ptr<Recordset> OpenRecordset(std::string_view table) override {
    const auto found = Resolve(table);
    if (!found) NoTable(table);
    Result r = Handle().Run(
        "SELECT a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod) "
        "FROM pg_catalog.pg_attribute a WHERE a.attrelid = $1 AND a.attnum > 0 "
        "AND NOT a.attisdropped AND a.attgenerated = '' ORDER BY a.attnum",
        {found->oid});
    std::vector<Column> columns;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
      columns.push_back(
          {PQgetvalue(r.get(), i, 0), PostgresColumnType(PQgetvalue(r.get(), i, 1))});
    }
    return std::make_unique<PostgresRecordset>(*link_, std::string(table), found->quoted,
                                               std::move(columns));
  }

  void EmptyTable(std::string_view table) override {
    const auto found = Resolve(table);
    if (!found) NoTable(table);
    Handle().RunGuarded("DELETE FROM " + found->quoted);
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
    // COMMIT of a failed transaction rolls it back without an error: say so.
    if (PQtransactionStatus(Handle().get()) == PQTRANS_INERROR) {
      Rollback();
      throw Error(kErrStoreOther, "The transaction had failed and was rolled back.",
                  kStoreSource);
    }
    Handle().Run("COMMIT");
  }

  void Rollback() override {
    const PGTransactionStatusType s = PQtransactionStatus(Handle().get());
    if (s == PQTRANS_INTRANS || s == PQTRANS_INERROR) Handle().Run("ROLLBACK");
  }

  bool InTransaction() const override { return link_ && link_->InTransaction(); }

  // Work not committed is rolled back: closing a connection never stores half a group.
  void Close() override {
    if (link_ && !link_->Lost() && PQtransactionStatus(link_->get()) != PQTRANS_IDLE) {
      link_->Exec("ROLLBACK");
    }
    link_.reset();
  }

 private:
  struct Table {
    std::string oid;
    std::string quoted;  // schema-qualified, each part quoted
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

  // A table named exactly `table` among those the search path shows, else `schema.table`.
  std::optional<Table> Resolve(std::string_view table) {
    static constexpr const char* kSelect =
        "SELECT c.oid, n.nspname, c.relname FROM pg_catalog.pg_class c "
        "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE c.relkind IN ('r', 'p') ";
    Result r = Handle().Run(std::string(kSelect) +
                                "AND c.relname = $1 AND pg_catalog.pg_table_is_visible(c.oid)",
                            {std::string(table)});
    if (PQntuples(r.get()) == 0) {
      const std::size_t dot = table.find('.');
      if (dot == std::string_view::npos) return std::nullopt;
      r = Handle().Run(std::string(kSelect) + "AND n.nspname = $1 AND c.relname = $2",
                       {std::string(table.substr(0, dot)), std::string(table.substr(dot + 1))});
      if (PQntuples(r.get()) == 0) return std::nullopt;
    }
    return Table{PQgetvalue(r.get(), 0, 0), Handle().Identifier(PQgetvalue(r.get(), 0, 1)) +
                                                "." +
                                                Handle().Identifier(PQgetvalue(r.get(), 0, 2))};
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
    const std::int32_t number =
        account ? kErrBadAccount : noDatabase ? kErrStoreOther : kErrCannotConnect;
    link_.reset();
    throw Error(number,
                MaskPasswords("Cannot connect to the database '" + uri + "': " + message),
                kStoreSource);
  }

  std::unique_ptr<Link> link_;
  std::string connect_;
};

}  // namespace

std::unique_ptr<Database> OpenPostgresDatabase(const std::string& uri, bool readOnly,
                                               std::string_view connect) {
  return std::make_unique<PostgresDatabase>(uri, readOnly, connect);
}

}  // namespace vandrel::store
