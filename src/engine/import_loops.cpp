// The loops shared by the wizard and the silent import: read a line, drop it when it is too
// short to hold data, cut it by the layout, store it.
#include <new>
#include <optional>

#include "engine/import.h"
#include "engine/import_session.h"
#include "engine/line_cut.h"
#include "engine/line_reader.h"
#include "text/cp1252.h"
#include "vandrel/mouse_pointer.h"
#include "vandrel/spec_files.h"
#include "vandrel/store.h"

namespace vandrel {
namespace {

// Lines of 0 or 1 characters hold no data (a CR-LF pair also leaves an empty read).
constexpr std::size_t kShortestLine = 2;

// Runs one import: `store(line, fields, session)` cuts a line and hands it to the session.
// Every failure ends up in the outcome; what was stored before it stays.
template <typename StoreLine>
ImportOutcome RunImport(const ImportRequest& request, std::int64_t skip, StoreLine&& store) {
  HourglassPointer hourglass;
  ImportOutcome outcome;
  std::optional<ImportSession> session;
  try {
    // The text file first: a file that cannot be read must not cost the tables their rows.
    LineReader reader(request.textFile);
    session.emplace(request);
    outcome.ran = true;
    std::vector<std::string_view> fields;
    while (!reader.AtEnd()) {
      const std::string_view line = reader.preparariga(skip);
      if (line.size() < kShortestLine) continue;
      store(line, fields, *session);
    }
    session->Finish();
  } catch (const Error& e) {
    outcome.error = e;
  } catch (const std::bad_alloc&) {
    outcome.error = Error(kErrOutOfMemory);
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
  return RunImport(
      request, layout.skipLines,
      [&](std::string_view line, std::vector<std::string_view>& fields, ImportSession& session) {
        cutter.Cut(line, fields);
        for (std::size_t i = request.lineFields; i < fields.size(); ++i) {
          if (fields[i].empty()) continue;
          session.RejectLine(kErrSubscript, "Subscript out of range: the line has " +
                                                std::to_string(fields.size()) + " fields; " +
                                                std::to_string(request.lineFields) +
                                                " are expected.");
          return;
        }
        session.ScriviRecord(fields, IsAscii(line));
      });
}

ImportOutcome rigatxtfisso(const ImportRequest& request, const FixedLayout& layout) {
  const FixedCutter cutter(layout);
  return RunImport(
      request, layout.skipLines,
      [&](std::string_view line, std::vector<std::string_view>& fields, ImportSession& session) {
        cutter.Cut(line, fields);
        session.ScriviRecord(fields, IsAscii(line));
      });
}

eResult ResultOf(const ImportOutcome& outcome) {
  if (outcome.error || outcome.counts.errorRowsLost > 0) return eResult::Failure;
  return outcome.counts.errorRows > 0 ? eResult::SError : eResult::Success;
}

std::optional<specs::DelimitedSpecRecord> CaricaSpecDelim(const std::string& folder,
                                                          const std::string& name) {
  specs::DelimitedSpecRecord record;
  if (name.empty() || !specs::FindDelimited(folder, name, record)) return std::nullopt;
  return record;
}

std::optional<specs::FixedSpecRecord> CaricaSpecFisso(const std::string& folder,
                                                      const std::string& name) {
  specs::FixedSpecRecord record;
  if (name.empty() || !specs::FindFixed(folder, name, record)) return std::nullopt;
  return record;
}

std::int64_t CountRows(const ImportTarget& target, const std::string& table) {
  auto db = store::OpenDatabase(target.database, false, true, target.connect);
  return db->OpenRecordset(table)->RecordCount();
}

}  // namespace vandrel
