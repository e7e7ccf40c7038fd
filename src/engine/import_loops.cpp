// The loops shared by the wizard and the silent import: read a line, drop it when it is too
// short to hold data, cut it, store it.
#include <charconv>

#include "control/settings.h"
#include "engine/cp1252.h"
#include "engine/engine_state.h"
#include "engine/import.h"
#include "engine/import_progress.h"
#include "engine/import_session.h"
#include "engine/line_cut.h"
#include "engine/line_reader.h"
#include "util/ascii.h"
#include "vandrel/app_folder.h"
#include "vandrel/error.h"
#include "vandrel/import_stats.h"
#include "vandrel/mouse_pointer.h"
#include "vandrel/vandrel_ctl.h"

namespace vandrel {
namespace {

// Lines of 0 or 1 characters hold no data (a CR-LF pair also leaves an empty read).
constexpr std::size_t kShortestLine = 2;

struct DelimitedLayout {
  int sepCode;
  int delimCode;  // 0: none
  std::int64_t skip;
};

struct FixedLayout {
  std::vector<ColumnRange> ranges;
  int sepCode;    // -1: none
  int delimCode;  // -1: none
  std::int64_t skip;
};

void RunDelimited(LineReader& reader, ImportSession& session, DelimitedLayout layout) {
  EngineState& e = engine();
  while (!reader.AtEnd()) {
    e.FieldIndex = 0;
    const std::string_view line = reader.preparariga(layout.skip, layout.delimCode);
    if (line.size() < kShortestLine) continue;
    if (const std::size_t count = CutDelimited(line, layout.sepCode, e.LineFields)) {
      session.RejectLine(kErrSubscript, "Subscript out of range: the line has " +
                                            std::to_string(count) + " fields; " +
                                            std::to_string(e.LineFields.size()) + " are expected.");
      continue;
    }
    session.ScriviRecord(e.LineFields, IsAscii(line));
  }
}

void RunFixed(LineReader& reader, ImportSession& session, FixedLayout layout) {
  EngineState& e = engine();
  const std::size_t used = std::min(layout.ranges.size(), e.LineFields.size());
  while (!reader.AtEnd()) {
    const std::string_view line = reader.preparariga(layout.skip, 0);
    if (line.size() < kShortestLine) continue;
    for (std::string_view& f : e.LineFields) f = {};
    for (e.FieldIndex = 0; e.FieldIndex < used; ++e.FieldIndex) {
      const ColumnRange& r = layout.ranges[e.FieldIndex];
      e.LineFields[e.FieldIndex] =
          CutFixedField(line, r.begin, r.end, layout.sepCode, layout.delimCode);
    }
    session.ScriviRecord(e.LineFields, IsAscii(line));
  }
}

// A separator or delimiter code for fixed-width text, where the no-delimiter token means none.
int FixedCode(const std::string& text, const char* what) {
  return CharacterCode(text, -1, what);
}

// The wizard's loops: a failure anywhere ends the import with ImportOK false.
template <typename Run>
void RunWizardImport(const std::string& textFile, Run&& run) {
  HourglassPointer hourglass;
  ResetImportStats();
  EngineState& e = engine();
  e.RecordNumber = 0;
  e.ImportOK = true;
  try {
    LineReader reader(textFile);
    ImportSession session;
    run(reader, session);
    session.Finish();
  } catch (const Error&) {
    e.ImportOK = false;
  }
}

}  // namespace

void ImportaDelimitato(const std::string& textFile) {
  RunWizardImport(textFile, [](LineReader& reader, ImportSession& session) {
    EngineState& e = engine();
    const int delimCode = CharacterCode(e.TextDelimD, 0, "text delimiter");
    // The skip count is used up by the first read, so a second import skips nothing.
    DelimitedLayout layout{e.SepCodeD, delimCode, e.SkipLinesD};
    e.SkipLinesD = 0;
    RunDelimited(reader, session, layout);
  });
}

void rigatxtfisso(const std::string& textFile) {
  RunWizardImport(textFile, [](LineReader& reader, ImportSession& session) {
    EngineState& e = engine();
    FixedLayout layout{{},
                       FixedCode(e.SepTextF, "field separator"),
                       FixedCode(e.TextDelimF, "text delimiter"),
                       e.SkipLinesF};
    for (std::size_t j = 0; j < e.StartColF.size() && e.StartColF[j] != 0; ++j) {
      layout.ranges.push_back({e.StartColF[j], e.EndColF[j]});
    }
    CheckColumnRanges(layout.ranges);
    e.SkipLinesF = 0;
    RunFixed(reader, session, std::move(layout));
  });
}

// ---- The silent import ----

namespace {

specs::DelimitedSpecRecord& DelimitedSpec() {
  static specs::DelimitedSpecRecord record;
  return record;
}

specs::FixedSpecRecord& FixedSpec() {
  static specs::FixedSpecRecord record;
  return record;
}

DelimitedLayout CheckedDelimitedLayout() {
  const specs::DelimitedSpecRecord& r = DelimitedSpec();
  if (IsNoneToken(r.FieldSeparator)) {
    throw Error(kErrInvalidArgument,
                "The delimited layout '" + r.SpecName + "' names no field separator.");
  }
  return {CharacterCode(r.FieldSeparator, -1, "field separator"),
          CharacterCode(r.TextDelimiter, 0, "text delimiter"), r.SkipLines};
}

int ColumnNumber(const std::string& text, std::size_t field, const char* which) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
    throw Error(kErrTypeMismatch, "Field " + std::to_string(field + 1) + " of the layout has " +
                                      which + " column '" + text + "', which is not a number.");
  }
  return value;
}

FixedLayout CheckedFixedLayout() {
  const specs::FixedSpecRecord& r = FixedSpec();
  FixedLayout layout{{},
                     FixedCode(r.FieldSeparator, "field separator"),
                     FixedCode(r.TextDelimiter, "text delimiter"),
                     r.SkipLines};
  for (std::size_t j = 0; j < r.FieldBegin.size() && !r.FieldBegin[j].empty(); ++j) {
    layout.ranges.push_back(
        {ColumnNumber(r.FieldBegin[j], j, "the begin"), ColumnNumber(r.FieldEnd[j], j, "the end")});
  }
  CheckColumnRanges(layout.ranges);
  return layout;
}

}  // namespace

const specs::DelimitedSpecRecord& CurrentDelimitedSpec() {
  return DelimitedSpec();
}
const specs::FixedSpecRecord& CurrentFixedSpec() {
  return FixedSpec();
}

bool CaricaSpecDelim() {
  const std::string& name = settings().SpecificationName;
  return !name.empty() && specs::FindDelimited(ApplicationFolder(), name, DelimitedSpec());
}

bool CaricaSpecFisso() {
  const std::string& name = settings().SpecificationName;
  return !name.empty() && specs::FindFixed(ApplicationFolder(), name, FixedSpec());
}

void ImportaBackGround() {
  HourglassPointer hourglass;
  ResetImportStats();
  Settings& s = settings();
  EngineState& e = engine();
  const bool fixed = s.FileType == fFixedWidth;
  if (!(fixed ? CaricaSpecFisso() : CaricaSpecDelim())) {
    s.ImportResult = Failure;
    return;
  }
  // Everything that can fail is checked before the target table is touched: the layout, the
  // field rows, the text file, the database and the table.
  DelimitedLayout delimited{};
  FixedLayout fixedLayout{};
  if (fixed) {
    fixedLayout = CheckedFixedLayout();
  } else {
    delimited = CheckedDelimitedLayout();
  }
  if (!s.InfoField) {
    throw Error(kErrSubscript,
                "Subscript out of range: NumField has not been assigned, so there "
                "are no InfoField rows.");
  }
  e.LineFields.assign(s.InfoField->size(), std::string_view());
  e.FieldIndex = 0;
  e.RecordNumber = 0;
  e.ImportOK = true;
  LineReader reader(s.ImportFile);
  ImportSession session;
  if (s.OverWriteTab) session.EmptyTargetTable();
  if (fixed) {
    RunFixed(reader, session, std::move(fixedLayout));
  } else {
    RunDelimited(reader, session, delimited);
  }
  session.Finish();
  const ImportStats& stats = LastImportStats();
  s.ImportResult = !e.ImportOK || stats.errorRowsLost > 0 ? Failure
                   : stats.errorRows > 0                  ? SError
                                                          : Success;
}

}  // namespace vandrel
