#include "engine/import_session.h"

#include <charconv>

#include "control/settings.h"
#include "engine/cp1252.h"
#include "engine/engine_state.h"
#include "engine/import_progress.h"
#include "util/ascii.h"
#include "vandrel/error.h"

namespace vandrel {
namespace {
constexpr int kGroupRows = 10'000;
constexpr auto kGroupTime = std::chrono::milliseconds(250);

// An error text cut to the error table's column, so a long value quoted in it cannot cost
// the line its error row. `length` counts characters; -1 is no limit.
std::string_view FitText(std::string_view text, int length) {
  if (length < 0) return text;
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 &&
        chars++ == static_cast<std::size_t>(length)) {
      return text.substr(0, i);
    }
  }
  return text;
}
}  // namespace

ImportSession::ImportSession() {
  const Settings& s = settings();
  db_ = store::OpenDatabase(s.MDBFile, false, false, s.MDBPassword);
  target_ = db_->OpenRecordset(s.TabImport);
  BuildPlan();
  db_->BeginTrans();
  groupStart_ = std::chrono::steady_clock::now();
}

ImportSession::~ImportSession() {
  if (finished_ || !db_) return;
  try {
    // Keep what was stored before the failure, unless the database already undid the group
    // (then storing the queued rows would save them on their own, outside any group).
    if (db_->InTransaction()) {
      FlushTarget();
      db_->CommitTrans();
    }
    ReportImportProgress();
  } catch (...) {
    // The import is already failing with its own error; the host hears about that one.
  }
}

void ImportSession::BuildPlan() {
  const Settings& s = settings();
  const std::size_t lineFields = engine().LineFields.size();
  if (!s.InfoField) return;
  for (std::size_t row = 0; row < s.InfoField->size(); ++row) {
    const InfoFieldRow& r = (*s.InfoField)[row];
    const std::string& associated = r[kAssociatedColumn];
    const std::string& constant = r[kConstantValue];
    FieldPlan p;
    if (!associated.empty() && constant.empty()) {
      p.kind = FieldPlan::Kind::FromLine;
      const std::string_view t = ascii::TrimBlanks(associated);
      long long index = -1;
      auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), index);
      if (ec != std::errc() || end != t.data() + t.size()) {
        p.kind = FieldPlan::Kind::Fail;
        p.failNumber = kErrTypeMismatch;
        p.failText = "Type mismatch: the associated column of field row " + std::to_string(row) +
                     " is not a number: '" + associated + "'.";
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

void ImportSession::EmptyTargetTable() {
  db_->Execute("Delete * From " + settings().TabImport);
}

void ImportSession::StoreRow(const std::vector<std::string_view>& fields, bool asciiLine) {
  target_->AddNew();
  for (const FieldPlan& p : plan_) {
    switch (p.kind) {
      case FieldPlan::Kind::Fail:
        throw Error(p.failNumber, p.failText);
      case FieldPlan::Kind::Constant:
        target_->SetField(p.column, p.constant);
        break;
      case FieldPlan::Kind::FromLine: {
        const std::string_view bytes = fields[p.lineIndex];
        if (asciiLine || IsAscii(bytes)) {
          target_->SetField(p.column, bytes);
        } else {
          utf8_.clear();
          AppendCp1252AsUtf8(bytes, utf8_);
          target_->SetField(p.column, utf8_);
        }
        break;
      }
    }
  }
  target_->Queue(engine().RecordNumber);
}

void ImportSession::ScriviRecord(const std::vector<std::string_view>& fields, bool asciiLine) {
  EngineState& e = engine();
  ++e.RecordNumber;
  try {
    StoreRow(fields, asciiLine);
    ++MutableImportStats().rowsStored;
  } catch (const Error& error) {
    FlushTarget();  // error rows keep the order of their lines
    GestErr(e.RecordNumber, error.number(), error.description());
  }
  // A batch stored while queueing can have made SQLite give up the group: stop at once.
  if (!db_->InTransaction()) FlushTarget();
  LineDone();
}

void ImportSession::RejectLine(std::int32_t errorNumber, std::string_view description) {
  ++engine().RecordNumber;
  FlushTarget();
  GestErr(engine().RecordNumber, errorNumber, description);
  LineDone();
}

void ImportSession::FlushTarget() {
  std::vector<store::QueuedFailure> failures = target_->Flush();
  CheckGroupSurvived(failures.empty() ? engine().RecordNumber : failures.front().tag,
                     failures.empty() ? Error(store::kErrStoreOther, "The group was undone.")
                                      : failures.front().error);
  for (const store::QueuedFailure& f : failures) {
    --MutableImportStats().rowsStored;
    GestErr(f.tag, f.error.number(), f.error.description());
  }
}

void ImportSession::GestErr(std::int64_t recordNumber, std::int32_t errorNumber,
                            std::string_view description) {
  try {
    if (!errorsTried_) {
      errorsTried_ = true;
      errors_ = db_->OpenRecordset(settings().TabError);
      numRiga_ = errors_->ColumnIndex("NumRiga");
      codErr_ = errors_->ColumnIndex("CodErr");
      msgErr_ = errors_->ColumnIndex("MsgErr");
      msgErrLength_ = errors_->MaxLength(msgErr_);
    }
    if (!errors_ || numRiga_ < 0 || codErr_ < 0 || msgErr_ < 0) {
      throw Error(store::kErrNoTable, "The error table cannot take error rows.");
    }
    errors_->AddNew();
    errors_->SetField(numRiga_, recordNumber);
    errors_->SetField(codErr_, std::int64_t{errorNumber});
    errors_->SetField(msgErr_, FitText(description, msgErrLength_));
    errors_->Update();
    ++MutableImportStats().errorRows;
  } catch (const Error& e) {
    CheckGroupSurvived(recordNumber, e);
    engine().ImportOK = false;
    ++MutableImportStats().errorRowsLost;
  }
}

// Some failures make SQLite give up the whole transaction (a full disk, a table declared
// ON CONFLICT ROLLBACK), taking the group's earlier rows with it. Going on would report them
// as stored, so the import stops here and says which lines were lost.
void ImportSession::CheckGroupSurvived(std::int64_t failingLine, const Error& cause) {
  if (db_->InTransaction()) return;
  MutableImportStats().rowsStored = committedRows_;
  MutableImportStats().errorRows = committedErrorRows_;
  throw Error(cause.number(),
              "The database undid the current group of rows (" + cause.description() + "): lines " +
                  std::to_string(groupFirstLine_) + " to " +
                  std::to_string(std::max(failingLine, engine().RecordNumber)) +
                  " were not stored, and the import stopped there.",
              cause.source());
}

void ImportSession::LineDone() {
  MutableImportStats().linesRead = engine().RecordNumber;
  if (++groupRows_ < kGroupRows &&
      ((groupRows_ & 63) != 0 || std::chrono::steady_clock::now() - groupStart_ < kGroupTime)) {
    return;
  }
  Commit();
  db_->BeginTrans();
}

void ImportSession::Commit() {
  FlushTarget();
  db_->CommitTrans();
  committedRows_ = LastImportStats().rowsStored;
  committedErrorRows_ = LastImportStats().errorRows;
  groupFirstLine_ = engine().RecordNumber + 1;
  groupRows_ = 0;
  groupStart_ = std::chrono::steady_clock::now();
  ReportImportProgress();
}

void ImportSession::Finish() {
  Commit();
  finished_ = true;
}

}  // namespace vandrel
