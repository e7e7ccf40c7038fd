// The loops shared by the wizard and the silent import: read a record, drop it when it is too
// short to hold data, cut it by the layout, store it. Records are numbered by their first
// physical line among the lines that hold data; a record of several lines moves the count
// on by all of them.
#include <new>
#include <optional>
#include <variant>

#include "engine/import_session.h"
#include "engine/line_cut.h"
#include "engine/pipeline.h"
#include "engine/record_reader.h"
#include "engine/text_reader.h"
#include "text/encoding.h"
#include "vandrel/catalogue.h"
#include "vandrel/import.h"
#include "vandrel/store.h"

namespace vandrel {
namespace {

// The engine's text at `offset` in the request's language (English for one without texts),
// its %1 and %2 filled in.
std::string EngineText(std::int32_t language, int offset, const std::string& one,
                       const std::string& two = {}) {
  const int number = language / 1000;
  std::string text = LoadResString(
      (number >= 1 && number <= 5 && language % 1000 == 0 ? number : 2) * 1000 + offset);
  for (const auto& [mark, value] : {std::pair{"%1", &one}, std::pair{"%2", &two}}) {
    if (const std::size_t at = text.find(mark); at != std::string::npos) {
      text.replace(at, 2, *value);
    }
  }
  return text;
}

// The lines handed from the reading thread to the storing one: each record's number and its
// converted row (or its error), and its text when error rows carry it. Batches are reused, so
// `size` says how many items are new.
struct LineBatch {
  struct Item {
    std::int64_t number = 0;
    ConvertedRow row;
    std::string text;
  };
  std::vector<Item> items;
  std::size_t size = 0;
  std::size_t bytes = 0;  // of the new items' records
  Item& Add(std::int64_t number) {
    if (size == items.size()) items.emplace_back();
    Item& item = items[size++];
    item.number = number;
    return item;
  }
};
// Lines per batch, and batches that may wait for the store: enough to ride over a commit's
// pause, little enough to keep memory small. A batch of long records ends at kBatchBytes of
// their text, so the records in flight stay a few megabytes however long the lines are.
constexpr std::size_t kBatchLines = 1024;
constexpr std::size_t kBatchBytes = 1 << 20;
constexpr std::size_t kBatchesQueued = 8;
// A reused item gives back a buffer grown past this by a long record, rather than keep it
// for every later line that lands in its place.
constexpr std::size_t kKeptCapacity = 64 << 10;

void ShrinkIfLong(std::string& text) {
  if (text.capacity() > kKeptCapacity) std::string().swap(text);
}

void ShrinkIfLong(LineBatch::Item& item) {
  ShrinkIfLong(item.text);
  ShrinkIfLong(item.row.errorText);
  for (store::Value& value : item.row.values) ShrinkIfLong(value.text);
}

// A line refused before conversion: it names no column (the row may be a reused one that
// named one before).
void Reject(ConvertedRow& row, std::int32_t number, std::string text) {
  row.failed = true;
  row.errorNumber = number;
  row.errorText = std::move(text);
  row.errorColumn = nullptr;
}

// Fills `row` with the error of record `number`, which could not be read as text.
void RejectRecord(std::int32_t language, Record::State state, std::int64_t number,
                  TextEncoding encoding, const QuoteRule* quotes, ConvertedRow& row) {
  const std::string line = std::to_string(number);
  switch (state) {
    case Record::State::Ok:
      break;
    case Record::State::Invalid:
      Reject(row, kErrInvalidText, EngineText(language, 603, line, EncodingName(encoding)));
      break;
    case Record::State::OpenQuote:
      Reject(row, kErrOpenQuote,
             EngineText(language, 602, line, quotes ? quotes->delimiter : std::string()));
      break;
    case Record::State::TooLong:
      Reject(row, kErrRecordTooLong, EngineText(language, 615, line));
      break;
  }
}

// How the reading ended, looked at only after the reading thread has.
struct ReadEnd {
  bool cancelled = false;
  std::int64_t stoppedAt = 0;  // the first line not read, when cancelled
};

// The reading side of an import: reads the records, passes over those that hold no data, and
// hands the others to `emit` in batches, each converted by `convert(text, row, session)` or
// rejected with the reader's error. Stops early when `emit` says the store has stopped.
template <typename ConvertRecord, typename Emit>
ReadEnd ReadRecords(const ImportRequest& request, TextReader& reader, const QuoteRule* quotes,
                    const ImportSession& session, ConvertRecord& convert, Emit& emit) {
  RecordReader records(reader, quotes);
  const bool keepTexts = session.KeepsTexts();
  const std::int64_t size = request.bytesRead ? reader.FileSize() : 0;
  LineBatch batch;
  Record record;
  ReadEnd end;
  std::int64_t lines = 0;
  std::uint32_t sinceReport = 0;
  for (;;) {
    // A cancel request stops the reading before a line: every line before it still reaches
    // the store, none from it on.
    if (request.cancel && request.cancel->load(std::memory_order_relaxed)) {
      end = {true, lines + 1};
      break;
    }
    if (!records.Next(record)) break;
    if (request.bytesRead && ++sinceReport == 512) {
      sinceReport = 0;
      request.bytesRead(reader.BytesRead(), size);
    }
    if (record.state == Record::State::Ok && HoldsNoData(record.text)) continue;
    const std::int64_t number = lines + 1;
    lines += record.lines;
    LineBatch::Item& item = batch.Add(number);
    batch.bytes += record.text.size();
    if (keepTexts) item.text.assign(record.text);
    if (record.state == Record::State::Ok) {
      convert(record.text, item.row, session);
    } else {
      RejectRecord(request.language, record.state, number, reader.encoding(), quotes, item.row);
    }
    if (batch.size == kBatchLines || batch.bytes >= kBatchBytes) {
      if (!emit(batch)) return {};
      batch.size = 0;
      batch.bytes = 0;
    }
  }
  if (batch.size > 0) emit(batch);
  return end;
}

// The storing side: each line of a batch stored or logged, in order.
void StoreBatch(ImportSession& session, LineBatch& batch) {
  for (std::size_t i = 0; i < batch.size; ++i) {
    LineBatch::Item& item = batch.items[i];
    if (session.KeepsTexts()) session.KeepText(item.number, item.text);
    session.StoreConverted(item.number, item.row);
    ShrinkIfLong(item);
  }
  batch.size = 0;
  batch.bytes = 0;
}

// The error that the exception being handled stands for.
Error CurrentError() {
  try {
    throw;
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(kErrOutOfMemory);
  } catch (const std::exception& e) {
    // Anything else (a thread that could not be started, say) ends the import the same way.
    return Error(kErrInternal, StandardErrorText(kErrInternal) + ": " + e.what());
  } catch (...) {
    return Error(kErrInternal);
  }
}

// Runs one import: the records are read, cut and converted on a thread of their own while the
// session stores the ones before them. Every failure ends up in the outcome; what was stored
// before it stays.
template <typename ConvertRecord>
ImportOutcome RunImport(const ImportRequest& request, std::int64_t skip, const QuoteRule* quotes,
                        ConvertRecord&& convert) {
  ImportOutcome outcome;
  std::optional<ImportSession> session;
  try {
    // The text file first: a file that cannot be read must not cost the tables their rows.
    TextReader reader(request.textFile, request.encoding);
    session.emplace(request);
    outcome.ran = true;
    reader.Skip(skip);
    ReadEnd end;
    RunPipeline<LineBatch>(
        kBatchesQueued,
        [&](auto emit) { end = ReadRecords(request, reader, quotes, *session, convert, emit); },
        [&](LineBatch& batch) { StoreBatch(*session, batch); });
    outcome.cancelled = end.cancelled;
    outcome.stoppedAtLine = end.stoppedAt;
    session->Finish();
    if (request.bytesRead) request.bytesRead(reader.BytesRead(), reader.FileSize());
  } catch (...) {
    outcome.error = CurrentError();
  }
  if (session) {
    session->Abandon();
    outcome.counts = session->counts();
  }
  return outcome;
}

}  // namespace

ImportOutcome ImportaDelimitato(const ImportRequest& request, const DelimitedLayout& layout) {
  DelimitedCutter cutter(layout);
  std::vector<std::string_view> fields;
  return RunImport(request, layout.skipLines, &cutter.rule(),
                   [&](std::string_view text, ConvertedRow& row, const ImportSession& session) {
                     cutter.Cut(text, fields);
                     for (std::size_t i = request.lineFields; i < fields.size(); ++i) {
                       if (fields[i].empty()) continue;
                       Reject(row, kErrSubscript,
                              "Subscript out of range: the line has " +
                                  std::to_string(fields.size()) + " fields; " +
                                  std::to_string(request.lineFields) + " are expected.");
                       return;
                     }
                     session.ConvertRow(fields, row);
                   });
}

ImportOutcome rigatxtfisso(const ImportRequest& request, const FixedLayout& layout) {
  const FixedCutter cutter(layout);
  std::vector<std::string_view> fields;
  return RunImport(request, layout.skipLines, nullptr,
                   [&](std::string_view text, ConvertedRow& row, const ImportSession& session) {
                     cutter.Cut(text, fields);
                     session.ConvertRow(fields, row);
                   });
}

ImportOutcome RunImport(const ImportRequest& request, const TextLayout& layout) {
  if (const auto* fixed = std::get_if<FixedLayout>(&layout)) return rigatxtfisso(request, *fixed);
  return ImportaDelimitato(request, std::get<DelimitedLayout>(layout));
}

std::int64_t CountRows(const ImportTarget& target, const std::string& table) {
  auto db = store::OpenDatabase(target.database, false, true, target.connect);
  return db->OpenRecordset(table)->RecordCount();
}

}  // namespace vandrel
