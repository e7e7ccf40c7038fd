#include "engine/import_session.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "engine/text_reader.h"
#include "text/encoding.h"
#include "util/ascii.h"
#include "util/quote.h"
#include "vandrel/error.h"

namespace vandrel {
namespace {
// The clock is read once per this many lines.
constexpr int kClockEvery = 64;
// The most bytes of record text kept for error rows before the queued rows are stored early
// to learn which of them failed.
constexpr std::size_t kKeptTextBytes = 16 << 20;
// The most refused lines waiting for their error rows; a group of nothing but bad lines
// logs them this many at a time rather than holding a second's worth.
constexpr std::size_t kDeferredLines = 4096;

// At most `bytes` of UTF-8 `text`, cut where a character begins.
std::string_view FitBytes(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
  return text.substr(0, bytes);
}

bool IdentifierChar(char c) {
  return (c >= '0' && c <= '9') || ascii::Lower(c) != ascii::Upper(c) || c == '_' ||
         (static_cast<unsigned char>(c) & 0x80) != 0;
}

// An error text cut to the error table's column, so a long value quoted in it cannot cost
// the line its error row. `length` counts characters; -1 is no limit.
std::string_view FitText(std::string_view text, int length) {
  if (length < 0) return text;
  return text.substr(0, CharacterOffset(text, static_cast<std::size_t>(length)));
}
}  // namespace

ImportSession::ImportSession(const ImportRequest& request) : request_(request) {
  const ImportTarget& t = request.target;
  db_ = store::OpenDatabase(t.database, false, false, t.connect);
  target_ = db_->OpenRecordset(t.table);
  target_->SetValueFormat(request.format);
  BuildPlan(request.fields, request.lineFields);
  // Both tables are known to be there before either is emptied; the emptying is part of the
  // first group, so a failure before that group commits takes it back.
  if (request.emptyErrors) {
    OpenErrorTable();
  } else {
    // Opened now all the same, to know whether error rows carry the record's text; an error
    // table that cannot take error rows costs the failing lines their rows, as they come.
    try {
      OpenErrorTable();
    } catch (const Error&) {
    }
  }
  db_->BeginTrans();
  groupStart_ = std::chrono::steady_clock::now();
  if (request.emptyTarget) db_->EmptyTable(t.table);
  if (request.emptyErrors) db_->EmptyTable(t.errorTable);
}

ImportSession::~ImportSession() {
  Abandon();
}

void ImportSession::Abandon() noexcept {
  if (finished_ || !db_) return;
  finished_ = true;
  try {
    // Keep what was stored before the failure, unless the database already undid the group
    // (then storing the queued rows would save them on their own, outside any group).
    if (db_->InTransaction()) {
      FlushTarget();
      db_->CommitTrans();
      committedRows_ = counts_.rowsStored;
      committedErrorRows_ = counts_.errorRows;
    }
  } catch (...) {
    // The import is already failing with its own error; the host hears about that one.
  }
  counts_.rowsStored = committedRows_;
  counts_.errorRows = committedErrorRows_;
  db_->Close();
  Report();
}

void ImportSession::Report() const {
  if (!request_.progress) return;
  try {
    request_.progress(counts_);
  } catch (...) {
    // Only a running import can be stopped from the progress handler.
  }
}

void ImportSession::BuildPlan(const std::vector<InfoFieldRow>& rows, std::size_t lineFields) {
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const InfoFieldRow& r = rows[row];
    const std::string& associated = r[kAssociatedColumn];
    const std::string& constant = r[kConstantValue];
    FieldPlan p;
    p.name = r[kColumnName];
    if (!associated.empty() && constant.empty()) {
      p.kind = FieldPlan::Kind::FromLine;
      const std::string_view t = ascii::TrimBlanks(associated);
      long long index = -1;
      auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), index);
      if (ec != std::errc() || end != t.data() + t.size()) {
        p.kind = FieldPlan::Kind::Fail;
        p.failNumber = kErrTypeMismatch;
        p.failText = "Type mismatch: the associated column of field row " + std::to_string(row) +
                     " is not a number: '" + Quoted(associated) + "'.";
      } else if (index < 0 || static_cast<std::size_t>(index) >= lineFields) {
        p.kind = FieldPlan::Kind::Fail;
        p.failNumber = kErrSubscript;
        p.failText = "Subscript out of range: field row " + std::to_string(row) + " takes field " +
                     std::to_string(index) + " of the line, which has fields 0 to " +
                     std::to_string(static_cast<long long>(lineFields) - 1) + ".";
      } else {
        p.lineIndex = static_cast<std::size_t>(index);
      }
    } else if (!constant.empty() && (!associated.empty() || !r[kNewColumnName].empty())) {
      p.constant = constant;  // the constant wins over the line's text
    } else {
      continue;  // the column keeps the table's default
    }
    if (p.kind != FieldPlan::Kind::Fail) {
      try {
        p.column = target_->ColumnIndex(r[kColumnName]);
      } catch (const Error& e) {
        p.kind = FieldPlan::Kind::Fail;
        p.failNumber = e.number();
        p.failText = e.description();
      }
    }
    plan_.push_back(std::move(p));
  }
}

void ImportSession::ConvertRow(const std::vector<std::string_view>& fields,
                               ConvertedRow& row) const {
  row.failed = false;
  row.errorColumn = nullptr;
  row.values.resize(plan_.size());
  try {
    for (std::size_t i = 0; i < plan_.size(); ++i) {
      const FieldPlan& p = plan_[i];
      row.errorColumn = &p.name;
      switch (p.kind) {
        case FieldPlan::Kind::Fail:
          throw Error(p.failNumber, p.failText);
        case FieldPlan::Kind::Constant:
          target_->Convert(p.column, p.constant, row.values[i]);
          break;
        case FieldPlan::Kind::FromLine:
          target_->Convert(p.column,
                           p.lineIndex < fields.size() ? fields[p.lineIndex] : std::string_view(),
                           row.values[i]);
          break;
      }
    }
    row.errorColumn = nullptr;
  } catch (const Error& error) {
    row.failed = true;
    row.errorNumber = error.number();
    row.errorText = error.description();
  }
}

void ImportSession::StoreConverted(std::int64_t number, ConvertedRow& row) {
  recordNumber_ = number;
  if (row.failed) {
    Defer(row.errorNumber, row.errorText,
          row.errorColumn ? std::string_view(*row.errorColumn) : std::string_view());
  } else {
    try {
      target_->AddNew();
      for (std::size_t i = 0; i < plan_.size(); ++i) {
        target_->SetConverted(plan_[i].column, row.values[i]);
      }
      target_->Queue(recordNumber_);
      ++counts_.rowsStored;
    } catch (const Error& error) {
      Defer(error.number(), error.description());
    }
  }
  // A batch stored while queueing can have made the database give up the group: stop at once.
  if (!db_->InTransaction()) FlushTarget();
  LineDone();
}

void ImportSession::ScriviRecord(std::int64_t number, const std::vector<std::string_view>& fields) {
  ConvertRow(fields, row_);
  StoreConverted(number, row_);
}

void ImportSession::RejectLine(std::int64_t number, std::int32_t errorNumber,
                               std::string_view description) {
  recordNumber_ = number;
  Defer(errorNumber, description);
  LineDone();
}

void ImportSession::Defer(std::int32_t errorNumber, std::string_view description,
                          std::string_view column) {
  deferred_.push_back({recordNumber_, errorNumber, std::string(description), std::string(column)});
}

void ImportSession::KeepText(std::int64_t number, std::string_view text) {
  if (testoRiga_ < 0) return;  // error rows without the record's text
  text = FitBytes(text, kMaxRecordBytes);
  keptLines_.push_back({number, keptTexts_.size(), text.size()});
  keptTexts_.append(text);
}

std::string_view ImportSession::KeptText(std::int64_t number) const {
  const auto kept =
      std::lower_bound(keptLines_.begin(), keptLines_.end(), number,
                       [](const KeptLine& k, std::int64_t line) { return k.line < line; });
  if (kept == keptLines_.end() || kept->line != number) return {};
  return std::string_view(keptTexts_).substr(kept->offset, kept->size);
}

// SQLite names a column as table.column, PostgreSQL as "column" or (column): the plan's
// column that the text names so, when it names exactly one.
std::string_view ImportSession::ColumnNamedIn(std::string_view description) const {
  const std::string text = ascii::Upper(description);
  std::string_view found;
  for (const FieldPlan& p : plan_) {
    if (p.name.empty() || ascii::EqualsNoCase(p.name, found)) continue;
    const std::string name = ascii::Upper(p.name);
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
      const char before = at > 0 ? text[at - 1] : ' ';
      const std::size_t after = at + name.size();
      if ((before == '.' || before == '"' || before == '(') &&
          (after == text.size() || !IdentifierChar(text[after]))) {
        if (!found.empty()) return {};
        found = p.name;
        break;
      }
    }
  }
  return found;
}

void ImportSession::FlushTarget() {
  std::vector<store::QueuedFailure> failures = target_->Flush();
  // A failure that gives up the group ends the store's work: it is the last one.
  CheckGroupSurvived(failures.empty() ? recordNumber_ : failures.front().tag,
                     failures.empty() ? Error(store::kErrStoreOther, "The group was undone.")
                                      : failures.back().error);
  counts_.rowsStored -= static_cast<std::int64_t>(failures.size());
  std::vector<LineError> deferred = std::exchange(deferred_, {});
  auto f = failures.begin();
  auto d = deferred.begin();
  while (f != failures.end() || d != deferred.end()) {
    if (d == deferred.end() || (f != failures.end() && f->tag < d->line)) {
      GestErr(f->tag, f->error.number(), f->error.description(),
              f->column.empty() ? ColumnNamedIn(f->error.description()) : f->column);
      ++f;
    } else {
      GestErr(d->line, d->number, d->description, d->column);
      ++d;
    }
  }
  // Every line handed over so far is now stored or logged.
  keptTexts_.clear();
  keptLines_.clear();
  if (!errors_) return;
  for (const store::QueuedFailure& lost : errors_->Flush()) {
    CheckGroupSurvived(lost.tag, lost.error);
    --counts_.errorRows;
    ++counts_.errorRowsLost;
  }
}

void ImportSession::GestErr(std::int64_t recordNumber, std::int32_t errorNumber,
                            std::string_view description, std::string_view column) {
  try {
    if (!errorsTried_) OpenErrorTable();
    if (!errors_ || numRiga_ < 0 || codErr_ < 0 || msgErr_ < 0) {
      throw Error(store::kErrNoTable, "The error table cannot take error rows.");
    }
    errors_->AddNew();
    errors_->SetField(numRiga_, recordNumber);
    errors_->SetField(codErr_, std::int64_t{errorNumber});
    errors_->SetField(msgErr_, FitText(description, msgErrLength_));
    if (testoRiga_ >= 0) {
      errors_->SetField(testoRiga_, FitText(KeptText(recordNumber), testoRigaLength_));
    }
    if (nomeColonna_ >= 0) errors_->SetField(nomeColonna_, FitText(column, nomeColonnaLength_));
    errors_->Queue(recordNumber);  // stored by FlushTarget, which counts the rows lost
    ++counts_.errorRows;
  } catch (const Error& e) {
    CheckGroupSurvived(recordNumber, e);
    ++counts_.errorRowsLost;
  }
}

void ImportSession::OpenErrorTable() {
  errorsTried_ = true;
  errors_ = db_->OpenRecordset(request_.target.errorTable);
  numRiga_ = errors_->ColumnIndex("NumRiga");
  codErr_ = errors_->ColumnIndex("CodErr");
  msgErr_ = errors_->ColumnIndex("MsgErr");
  msgErrLength_ = errors_->MaxLength(msgErr_);
  // Two more columns, where the table has them as text, help the user fix a line.
  auto optional = [this](const char* name, int& length) {
    try {
      const int column = errors_->ColumnIndex(name);
      if (!errors_->TakesText(column)) return -1;
      length = errors_->MaxLength(column);
      return column;
    } catch (const Error&) {
      return -1;
    }
  };
  testoRiga_ = optional("TestoRiga", testoRigaLength_);
  nomeColonna_ = optional("NomeColonna", nomeColonnaLength_);
  if (testoRiga_ < 0) {
    keptTexts_.clear();
    keptLines_.clear();
  }
}

// Some failures make SQLite give up the whole transaction (a full disk, a table declared
// ON CONFLICT ROLLBACK), taking the group's earlier rows with it. Going on would report them
// as stored, so the import stops here and says which lines were lost.
void ImportSession::CheckGroupSurvived(std::int64_t failingLine, const Error& cause) {
  if (db_->InTransaction()) return;
  counts_.rowsStored = committedRows_;
  counts_.errorRows = committedErrorRows_;
  throw Error(cause.number(),
              "The database undid the current group of rows (" + cause.description() + "): lines " +
                  std::to_string(groupFirstLine_) + " to " +
                  std::to_string(std::max(failingLine, recordNumber_)) +
                  " were not stored, and the import stopped there.",
              cause.source());
}

void ImportSession::LineDone() {
  counts_.linesRead = recordNumber_;
  if (keptTexts_.size() > kKeptTextBytes || deferred_.size() >= kDeferredLines) FlushTarget();
  if (++groupRows_ % kClockEvery != 0 ||
      std::chrono::steady_clock::now() - groupStart_ < request_.groupTime) {
    return;
  }
  Commit();
  db_->LetOthersWrite();
  groupStart_ = std::chrono::steady_clock::now();
  try {
    db_->BeginTrans();
  } catch (const Error& e) {
    // A server that went away between two groups: everything before is committed.
    throw Error(e.number(),
                "The next group of rows could not be begun (" + e.description() + "): line " +
                    std::to_string(groupFirstLine_) +
                    " and those after it were not stored, and the import stopped there.",
                e.source());
  }
}

void ImportSession::Commit() {
  FlushTarget();
  try {
    db_->CommitTrans();
  } catch (const Error& e) {
    // A group that cannot be committed (a full disk, say) is given up whole, so what the
    // table holds stays exactly the lines before it, and the import stops saying so.
    try {
      db_->Rollback();
    } catch (const Error&) {
      // Closing the connection undoes the group all the same.
    }
    counts_.rowsStored = committedRows_;
    counts_.errorRows = committedErrorRows_;
    throw Error(e.number(),
                "The database could not store the current group of rows (" + e.description() +
                    "): lines " + std::to_string(groupFirstLine_) + " to " +
                    std::to_string(recordNumber_) +
                    " were not stored, and the import stopped there.",
                e.source());
  }
  committedRows_ = counts_.rowsStored;
  committedErrorRows_ = counts_.errorRows;
  groupFirstLine_ = recordNumber_ + 1;
  groupRows_ = 0;
  groupStart_ = std::chrono::steady_clock::now();
  // A host's progress handler may stop the import by throwing: that error ends it here.
  if (request_.progress) request_.progress(counts_);
}

void ImportSession::Finish() {
  Commit();
  finished_ = true;
  db_->Close();
}

}  // namespace vandrel
