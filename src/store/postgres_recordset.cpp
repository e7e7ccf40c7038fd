#include "store/postgres_recordset.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "store/postgres_copy.h"
#include "store/postgres_refusal.h"
#include "store/postgres_values.h"
#include "util/ascii.h"
#include "vandrel/error.h"

namespace vandrel::store {
namespace {

using Column = PostgresColumn;

// The tag of the row Update stores, which the import's own tags (line numbers) never are.
constexpr std::int64_t kUpdateTag = std::numeric_limits<std::int64_t>::min();

class PostgresRecordset final : public Recordset, private CopyStream {
 public:
  PostgresRecordset(std::shared_ptr<Link> link, PostgresTable table)
      : link_(std::move(link)),
        table_(std::move(table)),
        fields_(table_.columns.size()),
        assigned_(table_.columns.size(), 0),
        batch_(*link_, *this) {
    for (const Column& c : table_.columns) kinds_.push_back(WireKindOf(c.type));
    table_.required.resize(table_.columns.size(), 0);
  }

  ~PostgresRecordset() override { Close(); }

  std::int64_t RecordCount() override {
    Result r = link_->Run("SELECT count(*) FROM " + table_.quoted);
    return std::stoll(PQgetvalue(r.get(), 0, 0));
  }

  void AddNew() override {
    std::fill(assigned_.begin(), assigned_.end(), 0);
    pending_ = true;
  }

  int ColumnIndex(std::string_view column) const override {
    return FindColumn(table_.columns, column, table_.name);
  }
  bool TakesText(int column) const override { return ColumnTakesText(table_.columns, column); }
  int MaxLength(int column) const override { return ColumnMaxLength(table_.columns, column); }

  // Safe on another thread: reads only the columns and the value format.
  void Convert(int column, std::string_view text, Value& out) const override {
    const Column& c = At(column);
    ConvertText(c.type, format_, c.name, text, out);
    if (out.type == Value::Type::Null && table_.required[static_cast<std::size_t>(column)]) {
      NotNull(c);
    }
    // A number written with ',' as decimal point is left in its plain form by ConvertText.
    const std::string_view plain =
        format_.decimalSeparator == ',' ? std::string_view(out.text) : ascii::TrimBlanks(text);
    EncodeValue(kinds_[static_cast<std::size_t>(column)], c.type, c.name, text, plain, out);
  }

  void SetConverted(int column, Value& value) override {
    Checked(column);
    Value& v = fields_[static_cast<std::size_t>(column)];
    v.type = value.type;
    v.text.swap(value.text);  // the buffers change hands: neither side allocates
    assigned_[static_cast<std::size_t>(column)] = 1;
  }
  std::vector<std::string> ColumnNames() const override { return NamesOf(table_.columns); }

  void SetField(int column, std::string_view text) override {
    Checked(column);
    Convert(column, text, scratch_);
    SetConverted(column, scratch_);
  }

  void SetField(int column, std::int64_t number) override {
    SetField(column, std::string_view(std::to_string(number)));
  }

  // The row goes the way queued rows go, alone, and its failure is thrown.
  void Update() override {
    Queue(kUpdateTag);
    FlushBatch();
    if (!failures_.empty() && failures_.back().tag == kUpdateTag) {
      Error error = std::move(failures_.back().error);
      failures_.pop_back();
      throw error;
    }
  }

  void Queue(std::int64_t tag) override {
    RequirePending("Queue");
    pending_ = false;
    if (const Column* missing = RequiredMissing()) {
      if (!FlushFirst(tag)) failures_.push_back({tag, NotNullError(*missing), missing->name});
      return;
    }
    if (std::find(assigned_.begin(), assigned_.end(), 1) == assigned_.end()) {
      if (!FlushFirst(tag)) StoreDefaults(tag);
      return;
    }
    if (batch_.active() && assigned_ != batchMask_) FlushBatch();
    if (!batch_.active()) StartBatch();
    AppendRow(batch_.data());
    batch_.EndRow(tag);
    if (batch_.rows() >= kBatchRows || batch_.bytes() >= kBatchBytes) FlushBatch();
  }

  std::vector<QueuedFailure> Flush() override {
    FlushBatch();
    return std::exchange(failures_, {});
  }

  void Close() override {
    pending_ = false;
    batch_.Abandon();
  }

 private:
  // Rows and bytes of COPY data per batch; its data stays here until the server has taken
  // it, to be sent again after a refusal. A refusal undoes the rows its COPY carried before it
  // (up to a whole batch for the first in a batch, a few after that: postgres_copy.cpp), and
  // a COPY statement has a cost of its own on the server: 10,000 rows weigh one against the
  // other (50,000 were 4 % quicker on a clean file only).
  static constexpr std::size_t kBatchRows = 10000;
  static constexpr std::size_t kBatchBytes = 4 << 20;

  void RequirePending(const char* operation) const {
    if (!pending_) {
      throw Error(kErrStoreOther, std::string(operation) + " without AddNew.", kStoreSource);
    }
  }

  const Column& Checked(int column) const {
    RequirePending("SetField");
    return At(column);
  }

  // Column `column`; kErrNoColumn when there is none. Called for every value.
  const Column& At(int column) const {
    if (column >= 0 && static_cast<std::size_t>(column) < table_.columns.size()) {
      return table_.columns[static_cast<std::size_t>(column)];
    }
    return ColumnAt(table_.columns, column, table_.name);
  }

  // The server's own words for a row without a value for a NOT NULL column.
  Error NotNullError(const Column& c) const {
    return Error(kErrRequired,
                 "null value in column \"" + c.name + "\" of relation \"" + table_.relation +
                     "\" violates not-null constraint",
                 kStoreSource);
  }
  [[noreturn]] void NotNull(const Column& c) const { throw NotNullError(c); }

  const Column* RequiredMissing() const {
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
      if (table_.required[i] && !assigned_[i]) return &table_.columns[i];
    }
    return nullptr;
  }

  // Stores the rows queued before a row that does not go with them, so that failures stay
  // in the order of the rows. When that gave up the transaction, the row fails with the same
  // error, which stays the last one, as the failure that ended the group must (true then).
  bool FlushFirst(std::int64_t tag) {
    const bool inTransaction = link_->InTransaction();
    FlushBatch();
    if (!inTransaction || link_->InTransaction() || failures_.empty()) return false;
    failures_.push_back({tag, failures_.back().error});
    return true;
  }

  // A row that assigns no column at all has nothing for COPY to carry.
  void StoreDefaults(std::int64_t tag) {
    try {
      link_->RunGuarded("INSERT INTO " + table_.quoted + " DEFAULT VALUES");
    } catch (const Error& e) {
      failures_.push_back({tag, e});
    }
  }

  // Binary when every column the rows give has a binary form and the server takes it.
  void StartBatch() {
    batchMask_ = assigned_;
    CopyTarget target{table_.quoted, table_.relation, {}, !textOnly_};
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
      if (!batchMask_[i]) continue;
      if (!target.columns.empty()) target.columns += ", ";
      target.columns += link_->Identifier(table_.columns[i].name);
      if (kinds_[i] == WireKind::Raw) target.binary = false;
    }
    binaryBatch_ = target.binary;
    if (batch_.Begin(target)) return;
    textOnly_ = true;
    binaryBatch_ = target.binary = false;
    batch_.Begin(target);
  }

  void AppendRow(std::string& out) const {
    if (binaryBatch_) {
      AppendBinaryRow(out);
      return;
    }
    bool first = true;
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
      if (!assigned_[i]) continue;
      if (!first) out += '\t';
      AppendCopyText(kinds_[i], fields_[i], out);
      first = false;
    }
    out += '\n';
  }

  // The field count, then each field's length (-1 for NULL) and bytes, written in place: this
  // runs for every row.
  void AppendBinaryRow(std::string& out) const {
    std::size_t size = 2;
    int count = 0;
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
      if (!assigned_[i]) continue;
      ++count;
      size += 4 + (fields_[i].type == Value::Type::Null ? 0 : fields_[i].text.size());
    }
    const std::size_t at = out.size();
    out.resize(at + size);
    char* p = out.data() + at;
    PutBigEndian(p, static_cast<std::uint64_t>(count), 2);
    p += 2;
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
      if (!assigned_[i]) continue;
      const Value& v = fields_[i];
      const bool null = v.type == Value::Type::Null;
      PutBigEndian(p, null ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v.text.size()), 4);
      p += 4;
      if (!null) {
        std::memcpy(p, v.text.data(), v.text.size());
        p += v.text.size();
      }
    }
  }

  void FlushBatch() { batch_.Finish(keys_, failures_); }
  void EndCopy() override { FlushBatch(); }
  void AbandonCopy() override { batch_.Abandon(); }

  std::shared_ptr<Link> link_;
  PostgresTable table_;
  std::vector<WireKind> kinds_;
  std::vector<Value> fields_;  // the pending row, encoded
  std::vector<char> assigned_;
  Value scratch_;
  bool pending_ = false;

  CopyBatch batch_;
  std::vector<char> batchMask_;
  bool binaryBatch_ = false;
  bool textOnly_ = false;  // the server took no binary COPY
  ConstraintColumns keys_;
  std::vector<QueuedFailure> failures_;
};

}  // namespace

std::unique_ptr<Recordset> OpenPostgresRecordset(std::shared_ptr<Link> link, PostgresTable table) {
  return std::make_unique<PostgresRecordset>(std::move(link), std::move(table));
}

}  // namespace vandrel::store
