#include "store/postgres_recordset.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <utility>

#include "util/ascii.h"
#include "vandrel/error.h"

namespace vandrel::store {
namespace {

using Column = PostgresColumn;

// A value as it goes to the server: text, or NULL.
struct Field {
  bool null = true;
  std::string text;
};

// COPY's text format: tab between values, \N for NULL, backslash escapes. Runs of plain
// characters are copied whole: this is the import's innermost loop.
void AppendCopyText(std::string& out, const Field& f) {
  if (f.null) {
    out += "\\N";
    return;
  }
  static constexpr auto kEscaped = [] {
    std::array<bool, 256> escaped{};
    for (unsigned char c : {'\\', '\t', '\n', '\r'}) escaped[c] = true;
    return escaped;
  }();
  const char* p = f.text.data();
  const char* const end = p + f.text.size();
  const char* run = p;
  for (; p != end; ++p) {
    const char c = *p;
    if (kEscaped[static_cast<unsigned char>(c)]) {
      out.append(run, p);
      out += '\\';
      out += c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : '\\';
      run = p + 1;
    }
  }
  out.append(run, end);
}

// The values of one line of COPY text (without its line feed), as AppendCopyText wrote them.
std::vector<Field> ReadCopyLine(std::string_view line) {
  std::vector<Field> fields(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\t') {
      fields.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      const char e = line[++i];
      if (e == 'N') continue;  // stays null
      fields.back().null = false;
      fields.back().text += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    } else {
      fields.back().null = false;
      fields.back().text += c;
    }
  }
  // A field with no characters at all is the empty text, not NULL.
  std::size_t start = 0;
  for (Field& f : fields) {
    const std::size_t end = std::min(line.find('\t', start), line.size());
    if (end == start) f.null = false;
    start = end + 1;
  }
  return fields;
}

class PostgresRecordset final : public Recordset, private CopyStream {
 public:
  PostgresRecordset(std::shared_ptr<Link> link, std::string table, std::string quoted,
                    std::vector<Column> columns)
      : link_(std::move(link)),
        table_(std::move(table)),
        quoted_(std::move(quoted)),
        columns_(std::move(columns)),
        fields_(columns_.size()),
        assigned_(columns_.size(), 0) {}

  ~PostgresRecordset() override { Close(); }

  std::int64_t RecordCount() override {
    Result r = link_->Run("SELECT count(*) FROM " + quoted_);
    return std::stoll(PQgetvalue(r.get(), 0, 0));
  }

  void AddNew() override {
    std::fill(assigned_.begin(), assigned_.end(), 0);
    pending_ = true;
  }

  int ColumnIndex(std::string_view column) const override {
    return FindColumn(columns_, column, table_);
  }
  std::vector<std::string> ColumnNames() const override {
    std::vector<std::string> names;
    for (const Column& c : columns_) names.push_back(c.name);
    return names;
  }
  bool TakesText(int column) const override { return ColumnTakesText(columns_, column); }
  int MaxLength(int column) const override { return ColumnMaxLength(columns_, column); }

  void SetField(int column, std::string_view text) override {
    const Column& c = Checked(column);
    Field& f = fields_[static_cast<std::size_t>(column)];
    if (c.type.kind == ColumnKind::Text || c.type.kind == ColumnKind::Any) {
      // Text goes as it is: only a value with more bytes than the column has characters can
      // be too long, and only that one needs its characters counted (and refused).
      if (c.type.length >= 0 && text.size() > static_cast<std::size_t>(c.type.length)) {
        ConvertText(c.type, format_, c.name, text, value_);
      }
      f.null = false;
      f.text.assign(text);
      assigned_[static_cast<std::size_t>(column)] = 1;
      return;
    }
    ConvertText(c.type, format_, c.name, text, value_);
    assigned_[static_cast<std::size_t>(column)] = 1;
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
        default:
          f.text.swap(value_.text);
          break;
      }
    }
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
    link_->RunGuarded(InsertSql(assigned_, fields_));
  }

  // Rows stream to the server as they are queued, through one COPY per batch, so the server
  // stores one part while this side prepares the next.
  void Queue(std::int64_t tag) override {
    RequirePending("Queue");
    if (batchRows() > 0 && assigned_ != batchMask_) FlushBatch();
    if (batchRows() == 0) {
      batchMask_ = assigned_;
      StartCopy();
    }
    bool first = true;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!assigned_[i]) continue;
      if (!first) copyData_ += '\t';
      first = false;
      AppendCopyText(copyData_, fields_[i]);
    }
    copyData_ += '\n';
    lineEnds_.push_back(copyData_.size());
    batchTags_.push_back(tag);
    pending_ = false;
    if (copying_ && copyData_.size() - sent_ >= kSendBytes) Send();
    if (batchRows() >= batchLimit_ || copyData_.size() >= kMostBatchBytes) FlushBatch();
  }

  std::vector<QueuedFailure> Flush() override {
    FlushBatch();
    return std::exchange(failures_, {});
  }

  void Close() override {
    pending_ = false;
    if (copying_) {
      link_->StreamEnded();
      AbandonCopy();
    }
    ClearBatch();
  }

 private:
  // Rows per COPY. Several COPY statements in one transaction cost the server more than one,
  // so a batch normally takes a whole group of an import. A refused batch is stored row by
  // row, though, so after a refusal batches start small again and grow while they pass:
  // rows the server refuses often cost a few dozen single rows each, not a group's worth.
  static constexpr std::size_t kMostBatchRows = 10000;
  static constexpr std::size_t kFewestBatchRows = 32;
  // How much COPY text waits on this side before it is sent.
  static constexpr std::size_t kSendBytes = 32 * 1024;
  // A batch's text is kept until the server has taken it, to store its rows one by one if it
  // refuses them; a batch of long rows ends at this many bytes whatever its row count.
  static constexpr std::size_t kMostBatchBytes = 16 << 20;

  std::size_t batchRows() const { return batchTags_.size(); }

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
    return ColumnAt(columns_, column, table_);
  }

  std::string ColumnList(const std::vector<char>& assigned) const {
    std::string names;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!assigned[i]) continue;
      if (!names.empty()) names += ", ";
      names += link_->Identifier(columns_[i].name);
    }
    return names;
  }

  // Columns left unassigned keep the table's defaults, so they are not named. `values` holds
  // every column (the pending row) or only the assigned ones, in order (a line read back).
  std::string InsertSql(const std::vector<char>& assigned, const std::vector<Field>& values) const {
    const std::string names = ColumnList(assigned);
    if (names.empty()) return "INSERT INTO " + quoted_ + " DEFAULT VALUES";
    const bool all = values.size() == columns_.size();
    std::string sql = "INSERT INTO " + quoted_ + " (" + names + ") VALUES (";
    std::size_t n = 0;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (!assigned[i]) continue;
      const Field& f = values[all ? i : n];
      if (n++ > 0) sql += ", ";
      if (f.null) {
        sql += "NULL";
      } else {
        Link::AppendLiteral(sql, f.text);
      }
    }
    return sql + ")";
  }

  // Opens the batch's COPY (in a savepoint inside a transaction). When it cannot be opened
  // the batch's rows gather here and fail together at the flush.
  void StartCopy() {
    startError_.reset();
    const std::string names = ColumnList(batchMask_);
    if (names.empty()) return;  // rows of defaults only: stored one by one
    link_->Idle();              // another recordset's batch goes first
    if (link_->Lost()) {
      startError_ = link_->ErrorOf(nullptr);
      return;
    }
    batchInTransaction_ = link_->InTransaction();
    const std::string copy = "COPY " + quoted_ + " (" + names + ") FROM STDIN";
    const std::string sql =
        batchInTransaction_ ? "SAVEPOINT vandrel_batch; " + copy + "; RELEASE vandrel_batch" : copy;
    Result r(PQexec(link_->get(), sql.c_str()));
    if (PQresultStatus(r.get()) == PGRES_COPY_IN) {
      copying_ = true;
      link_->Streaming(this, batchInTransaction_);
      return;
    }
    startError_ = link_->ErrorOf(r.get());
    if (batchInTransaction_ && !link_->Lost()) link_->Settle(r.get(), "vandrel_batch");
  }

  void Send() {
    if (PQputCopyData(link_->get(), copyData_.data() + sent_,
                      static_cast<int>(copyData_.size() - sent_)) == 1) {
      sent_ = copyData_.size();
    }
  }

  // Ends the COPY and waits for its outcome; the first failed result, or null.
  Result FinishCopy(const char* abandon = nullptr) {
    copying_ = false;
    PGconn* conn = link_->get();
    Result failed;
    if (!abandon) Send();
    if (!abandon && sent_ != copyData_.size()) {
      // Rows that could not be sent must not be committed as a shorter COPY.
      failed.reset(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
      abandon = "the rows could not be sent";
    }
    if (PQputCopyEnd(conn, abandon) != 1 && !failed) {
      failed.reset(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
    }
    while (PGresult* next = PQgetResult(conn)) {
      const bool stillCopying = PQresultStatus(next) == PGRES_COPY_IN;
      Result result(next);
      if (!failed && !Link::Ok(next)) failed = std::move(result);
      // Still copying means the end never reached the server: waiting would never end.
      if (link_->Lost() || stillCopying) break;
    }
    if (!failed && link_->Lost()) failed.reset(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
    return failed;
  }

  void EndCopy() override { FlushBatch(); }

  void AbandonCopy() override {
    Result failed = FinishCopy("the import stopped");
    if (batchInTransaction_ && !link_->Lost()) {
      PQclear(PQexec(link_->get(), "ROLLBACK TO vandrel_batch; RELEASE vandrel_batch"));
    }
    ClearBatch();
  }

  void ClearBatch() {
    copyData_.clear();
    sent_ = 0;
    lineEnds_.clear();
    batchTags_.clear();
    startError_.reset();
  }

  void FailAll(const Error& error) {
    for (std::int64_t tag : batchTags_) failures_.push_back({tag, error});
  }

  // Ends the batch. When the server refused a row, the savepoint undid the whole COPY and
  // the rows go one by one, each in its own savepoint, so each stands or falls on its own and
  // every failure is known by its tag. When the failure is not a row's own (a lock, a lost
  // link) no row could be stored: the transaction is given up and every row fails with it.
  void FlushBatch() {
    if (batchRows() == 0) return;
    if (copying_) {
      link_->StreamEnded();
      Result failed = FinishCopy();
      if (!failed) {
        batchLimit_ = std::min(batchLimit_ * 2, kMostBatchRows);
        ClearBatch();
        return;
      }
      batchLimit_ = kFewestBatchRows;
      const char* state = PQresultErrorField(failed.get(), PG_DIAG_SQLSTATE);
      if (link_->Lost() || !state || !IsRowFailure(state)) {
        if (batchInTransaction_ && !link_->Lost()) link_->Exec("ROLLBACK");
        FailAll(link_->ErrorOf(failed.get()));
        ClearBatch();
        return;
      }
      if (batchInTransaction_) link_->Settle(failed.get(), "vandrel_batch");
    } else if (startError_) {
      FailAll(*startError_);
      ClearBatch();
      return;
    }
    std::optional<Error> givenUp;
    std::size_t start = 0;
    for (std::size_t r = 0; r < batchRows(); ++r) {
      const std::string_view line(copyData_.data() + start, lineEnds_[r] - start - 1);
      start = lineEnds_[r];
      if (givenUp) {
        failures_.push_back({batchTags_[r], *givenUp});
        continue;
      }
      try {
        link_->RunGuarded(InsertSql(batchMask_, ReadCopyLine(line)));
      } catch (const Error& e) {
        failures_.push_back({batchTags_[r], e});
        if (batchInTransaction_ && !link_->InTransaction()) givenUp = e;
      }
    }
    ClearBatch();
  }

  std::shared_ptr<Link> link_;
  std::string table_;
  std::string quoted_;
  std::vector<Column> columns_;
  std::vector<Field> fields_;  // the pending row
  std::vector<char> assigned_;
  Value value_;
  bool pending_ = false;

  // The batch: its rows as COPY text, kept until they are known stored.
  std::vector<char> batchMask_;
  std::string copyData_;
  std::size_t sent_ = 0;
  std::vector<std::size_t> lineEnds_;
  std::vector<std::int64_t> batchTags_;
  std::size_t batchLimit_ = kMostBatchRows;
  bool copying_ = false;
  bool batchInTransaction_ = false;
  std::optional<Error> startError_;
  std::vector<QueuedFailure> failures_;
};

}  // namespace

std::unique_ptr<Recordset> OpenPostgresRecordset(std::shared_ptr<Link> link, std::string table,
                                                 std::string quoted,
                                                 std::vector<PostgresColumn> columns) {
  return std::make_unique<PostgresRecordset>(std::move(link), std::move(table), std::move(quoted),
                                             std::move(columns));
}

}  // namespace vandrel::store
