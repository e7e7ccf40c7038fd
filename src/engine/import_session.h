// One import's hold on the database: a single connection for the whole run, the target and
// error tables opened once, and the rows committed in groups of about a second of work, with
// a pause after each commit for another writer waiting its turn, so a long import neither
// reopens the database per line nor shuts other writers out. Rows go to the table several at a
// time, yet every line is stored or logged on its own: a failing row undoes only itself, and error
// rows are written in the order of their lines.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vandrel/error.h"
#include "vandrel/import.h"
#include "vandrel/store.h"

namespace vandrel {

// A record's fields converted for the target table, or the error that stops it.
struct ConvertedRow {
  std::vector<store::Value> values;  // one per column the field plan fills
  bool failed = false;
  std::int32_t errorNumber = 0;
  std::string errorText;
  const std::string* errorColumn = nullptr;  // the target column refused, when one was
};

class ImportSession {
 public:
  // Opens the database and the tables, empties those the request says (in the first group),
  // and starts that group. Throws the store's error when any of it fails; nothing has been
  // changed then.
  explicit ImportSession(const ImportRequest& request);
  ~ImportSession();
  ImportSession(const ImportSession&) = delete;
  ImportSession& operator=(const ImportSession&) = delete;

  // Stores record `number` as one new row of the target table, from `fields` (UTF-8) by the
  // field plan; a failure becomes an error row. A field the plan names beyond `fields` is
  // empty. Records come in ascending numbers.
  void ScriviRecord(std::int64_t number, const std::vector<std::string_view>& fields);

  // ScriviRecord in two steps. ConvertRow converts a record's fields by the field plan; it
  // changes nothing in the session, so it may run on another thread while the session stores
  // earlier records. StoreConverted stores the row (or logs its error) as record `number`,
  // taking the values out of `row`.
  void ConvertRow(const std::vector<std::string_view>& fields, ConvertedRow& row) const;
  void StoreConverted(std::int64_t number, ConvertedRow& row);

  // Whether error rows carry the record's text (the error table has a TestoRiga column), so
  // each record's text must be kept with KeepText before it is handed over. Fixed once the
  // session is open; safe from any thread.
  bool KeepsTexts() const { return testoRiga_ >= 0; }
  // The text of record `number`, as read, before it is handed over: an error row of it
  // carries it when the error table has a TestoRiga column.
  void KeepText(std::int64_t number, std::string_view text);

  // Logs record `number`, which cannot even be cut, as an error row.
  void RejectLine(std::int64_t number, std::int32_t errorNumber, std::string_view description);

  // Commits the last group. Throws the store's error when the commit fails.
  void Finish();
  // After a failure: commits what was stored before it, when the database still holds the
  // group (an import stopped by an error keeps the rows stored before it). Never throws.
  void Abandon() noexcept;

  // What has been stored and logged; after Finish or Abandon, what was committed.
  const ImportStats& counts() const { return counts_; }

 private:
  // How one InfoField row fills its column on every line.
  struct FieldPlan {
    enum class Kind { FromLine, Constant, Fail } kind = Kind::Constant;
    int column = -1;
    std::size_t lineIndex = 0;
    std::string constant;
    std::int32_t failNumber = 0;
    std::string failText;
    std::string name;  // the target column, as the field row names it
  };

  void BuildPlan(const std::vector<InfoFieldRow>& rows, std::size_t lineFields);
  void OpenErrorTable();
  // Queues one row for the error table; when that fails too, the line is lost and counted so.
  // `column` names the target column whose value was refused, empty when the error is not
  // about one column.
  void GestErr(std::int64_t recordNumber, std::int32_t errorNumber, std::string_view description,
               std::string_view column);
  // A line that failed before reaching the table, logged at the next FlushTarget.
  void Defer(std::int32_t errorNumber, std::string_view description, std::string_view column = {});
  // The kept text of record `number` ("" when none was kept).
  std::string_view KeptText(std::int64_t number) const;
  // The one target column a database's refusal names, or "".
  std::string_view ColumnNamedIn(std::string_view description) const;
  // Stores the rows queued in the target table, then logs the failed lines (those refused by
  // the table and those deferred) in line order.
  void FlushTarget();
  void LineDone();
  void CheckGroupSurvived(std::int64_t failingLine, const Error& cause);
  void Commit();
  void Report() const;

  const ImportRequest& request_;
  std::unique_ptr<store::Database> db_;
  std::unique_ptr<store::Recordset> target_;
  std::unique_ptr<store::Recordset> errors_;
  bool errorsTried_ = false;  // the error table has been opened (or tried) once
  int msgErrLength_ = -1;     // the most characters MsgErr takes
  int numRiga_ = -1, codErr_ = -1, msgErr_ = -1;
  // The optional columns that help the user fix a line: its text and the refused column.
  int testoRiga_ = -1, nomeColonna_ = -1;
  int testoRigaLength_ = -1, nomeColonnaLength_ = -1;
  struct KeptLine {
    std::int64_t line;
    std::size_t offset;
    std::size_t size;
  };
  // The texts of the records handed over since the last FlushTarget, while they may still
  // become error rows.
  std::string keptTexts_;
  std::vector<KeptLine> keptLines_;
  std::vector<FieldPlan> plan_;
  struct LineError {
    std::int64_t line;
    std::int32_t number;
    std::string description;
    std::string column;
  };
  std::vector<LineError> deferred_;
  ConvertedRow row_;               // ScriviRecord's, reused from line to line
  std::int64_t recordNumber_ = 0;  // lines handed to the session so far
  ImportStats counts_;
  std::int64_t groupFirstLine_ = 1;
  std::int64_t committedRows_ = 0;
  std::int64_t committedErrorRows_ = 0;
  int groupRows_ = 0;
  std::chrono::steady_clock::time_point groupStart_;
  bool finished_ = false;
};

}  // namespace vandrel
