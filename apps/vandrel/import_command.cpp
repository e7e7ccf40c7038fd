// The import and wizard commands of the command-line host: the control's properties set as a
// host application would set them, then Action = 1 (the silent import) or Action = 0 (the
// wizard).
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "vandrel/app_folder.h"
#include "vandrel/host_hooks.h"
#include "vandrel/spec_files.h"
#include "vandrel/vandrel_ctl.h"
#ifdef VANDREL_WITH_WIZARD
#include "vandrel/wizard.h"
#endif

namespace vandrel::cli {
namespace {

// Shows how far a long import has got, on one line rewritten in place.
void ShowProgress(const ImportStats& s) {
  std::cerr << "\r" << s.linesRead << " lines: " << s.rowsStored << " stored, " << s.errorRows
            << " logged" << std::flush;
}

// The properties that the silent import and the wizard both read, assigned in the order the
// control needs them: the connect string before the database, the database before its
// tables.
void AssignCommonProperties(VandrelCtl& ctl, const ImportOptions& o,
                            const std::vector<std::vector<std::string>>& rows) {
  ctl.InitProperties();
  ctl.setMDBPassword(o.connect);
  ctl.setMDBFile(o.db);
  ctl.setTabImport(o.table);
  ctl.setTabError(o.errors);
  if (!o.file.empty()) {
    ctl.setFileType(o.type == "fixed" ? fFixedWidth : fDelimited);
    ctl.setImportFile(o.file);
    ctl.setSpecificationName(o.spec);
  }
  ctl.setOverWriteTab(o.overwrite);
  ctl.setAsktoAppend(o.askToAppend == "yes");
  ctl.setLanguage(kLanguages.at(o.language));
  ctl.setEncoding(o.encoding.empty() ? "auto" : o.encoding);
  if (!o.decimal.empty()) ctl.setDecimalSeparator(o.decimal);
  if (!o.dates.empty()) ctl.setDateOrder(o.dates);
  ctl.setInfoFieldRows(rows);
}

int ExitStatus(std::int16_t result) {
  switch (static_cast<eResult>(result)) {
    case eResult::Success:
      return kExitOk;
    case eResult::SError:
      return kExitSError;
    case eResult::Abort:
      return kExitAbort;
    default:
      return kExitFailure;
  }
}

const char* ResultName(std::int16_t result) {
  switch (static_cast<eResult>(result)) {
    case eResult::Success:
      return "Success";
    case eResult::SError:
      return "SError";
    case eResult::Abort:
      return "Abort";
    default:
      return "Failure";
  }
}

// Ctrl-C during an import stops it cleanly before its next line; a second one ends the
// program as usual.
void StopImport(int) {
  VandrelCtl::Cancel();
}

class InterruptStopsImport {
 public:
  InterruptStopsImport() {
    struct sigaction action {};
    action.sa_handler = StopImport;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, &previous_);
  }
  ~InterruptStopsImport() { sigaction(SIGINT, &previous_, nullptr); }
  InterruptStopsImport(const InterruptStopsImport&) = delete;
  InterruptStopsImport& operator=(const InterruptStopsImport&) = delete;

 private:
  struct sigaction previous_ {};
};

// How many rows the import stored and how many lines it logged (and lost).
void PrintCounts(const ImportStats& stats) {
  auto count = [](std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::cout << count(stats.rowsStored, "row stored", "rows stored") << ", "
            << count(stats.errorRows, "line logged", "lines logged");
  if (stats.errorRowsLost > 0) {
    std::cout << ", " << stats.errorRowsLost
              << " failing lines whose error rows could not be stored";
  }
  std::cout << '\n';
}

// The --field rows, each split into its attributes.
std::vector<std::vector<std::string>> FieldRows(const ImportOptions& o) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& field : o.fields) {
    rows.push_back(Split(field, '|'));
    if (rows.back().size() > 8) {
      throw UsageError{"--field takes at most 8 attributes separated by '|': " + field};
    }
  }
  return rows;
}

// The saved layout named by --spec, as texts; nothing when there is none (the import says so).
std::optional<LayoutEntry> SavedLayoutEntry(const ImportOptions& o) {
  const std::string folder = ApplicationFolder();
  if (o.type != "fixed") {
    specs::DelimitedSpecRecord r;
    if (!specs::FindDelimited(folder, o.spec, r)) return std::nullopt;
    return LayoutEntry{specs::SpecKind::Delimited, r.SpecName, r.FieldSeparator, r.TextDelimiter,
                       r.SkipLines, ""};
  }
  specs::FixedSpecRecord r;
  if (!specs::FindFixed(folder, o.spec, r)) return std::nullopt;
  LayoutEntry t{specs::SpecKind::Fixed, r.SpecName, r.FieldSeparator, r.TextDelimiter,
                r.SkipLines, ""};
  for (std::size_t j = 0; j < r.FieldBegin.size() && !r.FieldBegin[j].empty(); ++j) {
    t.columns += (j ? "," : "") + r.FieldBegin[j] + "-" + r.FieldEnd[j];
  }
  return t;
}

// Saves the layout used under --save-spec's name, as `specs add` would.
void SaveLayoutUsed(const ImportOptions& o, const LayoutEntry& layout) {
  SpecsOptions save;
  save.name = o.saveSpec;
  const bool fixed = layout.kind == specs::SpecKind::Fixed;
  save.kind = fixed ? "fixed" : "delimited";
  save.separator = layout.separator;
  save.delimiter = layout.delimiter;
  save.skip = static_cast<int>(layout.skip);
  save.columns = fixed ? layout.columns : "";
  save.language = "en";
  if (SaveLayout(save) != kExitOk) throw UsageError{"--save-spec: no layout was saved"};
}

// What the command line settles before the control takes over: with no saved layout, the
// guessed one (its encoding, numbers and dates too, unless given); the tables made or found;
// the field rows, given or matched.
struct Settled {
  ImportOptions options;
  std::optional<LayoutEntry> entry;  // the layout as --save-spec saves it
  std::optional<TextLayout> layout;  // and as the import takes it
  std::vector<std::vector<std::string>> rows;
};

Settled Settle(const ImportOptions& o) {
  Settled s{o, std::nullopt, std::nullopt, FieldRows(o)};
  if (!o.spec.empty() && o.type.empty()) throw UsageError{"--spec needs --type"};
  std::optional<LayoutGuess> guess;
  if (o.spec.empty() || o.fields.empty() || o.create) guess = GuessFor(o);
  if (o.spec.empty()) {
    s.entry = LayoutInUse(o, *guess);
    s.layout = TextLayoutInUse(o, *guess, *s.entry);
    PrintGuessed(o, *guess);
    s.options.type = s.entry->kind == specs::SpecKind::Fixed ? "fixed" : "delimited";
    // An ASCII sample says UTF-8; `auto` decides as the guess did, and past the sample too.
    if (o.encoding.empty() && guess->encoding != "utf-8") s.options.encoding = guess->encoding;
    if (o.decimal.empty()) s.options.decimal = std::string(1, guess->decimal);
    if (o.dates.empty()) {
      s.options.dates = guess->dates == store::DateOrder::DMY   ? "DMY"
                        : guess->dates == store::DateOrder::MDY ? "MDY"
                                                                : "YMD";
    }
  } else {
    s.entry = SavedLayoutEntry(o);
    // Cut here only to make or match the table; the import reads the saved layout itself.
    if (s.entry && (o.create || o.fields.empty())) s.layout = LayoutOf(*s.entry);
  }
  // The file is read as guessed from here on (a UTF-16 file without a byte-order mark).
  s.options.errors =
      PrepareTables(s.options, guess ? &*guess : nullptr, s.layout ? &*s.layout : nullptr);
  if (o.fields.empty() && s.layout) s.rows = MappedFields(s.options, *guess, *s.layout);
  // Saved once the fields are settled, so that a refused command saves nothing.
  if (s.entry && !o.saveSpec.empty()) SaveLayoutUsed(o, *s.entry);
  return s;
}

int RunImport(const ImportOptions& given) {
  if (!given.specsDir.empty()) SetApplicationFolder(given.specsDir);
  const Settled settled = Settle(given);
  const ImportOptions& o = settled.options;
  VandrelCtl ctl;
  AssignCommonProperties(ctl, o, settled.rows);
  const InterruptStopsImport interrupt;

  const bool terminal = ::isatty(STDERR_FILENO);
  if (terminal) hostHooks().progress = ShowProgress;
  ctl.setImportResult(eResult::Abort);
  try {
    if (o.spec.empty()) {
      ctl.ImportWithLayout(*settled.layout);
    } else {
      ctl.setAction(aBackground);
    }
  } catch (const Error& e) {
    if (terminal) std::cerr << '\n';
    hostHooks().progress = nullptr;
    // An import stopped by an error (a full disk, say) keeps what it committed before: the
    // user needs those counts as much as the error.
    std::cerr << "error " << e.number() << ": " << ForTerminal(e.description()) << '\n';
    PrintCounts(ctl.LastImportStats());
    return kExitHostError;
  }
  if (terminal) std::cerr << '\n';
  hostHooks().progress = nullptr;

  const ImportStats stats = ctl.LastImportStats();
  std::cout << ResultName(ctl.ImportResult()) << '\n';
  if (const auto stoppedAt = ctl.LastImportStoppedAt()) {
    std::cerr << "import interrupted: stopped at line " << *stoppedAt
              << "; the lines before it are stored or logged\n";
  }
  if (ctl.ImportResult() == eResult::Failure && stats.linesRead == 0) {
    std::cerr << "no saved " << o.type << " layout named '" << o.spec << "' in "
              << ApplicationFolder() << '\n';
  }
  PrintCounts(stats);
  return ExitStatus(ctl.ImportResult());
}

// Opens the wizard (Action = 0) over the given database and field rows.
int RunWizard(const ImportOptions& o) {
#ifdef VANDREL_WITH_WIZARD
  InstallWizard();
#endif
  if (!o.specsDir.empty()) SetApplicationFolder(o.specsDir);
  VandrelCtl ctl;
  AssignCommonProperties(ctl, o, FieldRows(o));
  ctl.setImportResult(eResult::Abort);
  ctl.setAction(aShowInterface);
  std::cout << ResultName(ctl.ImportResult()) << '\n';
  if (const auto error = ctl.LastImportError()) {
    std::cerr << "error " << error->number() << ": " << ForTerminal(error->description()) << '\n';
  }
  return ExitStatus(ctl.ImportResult());
}

// --decimal and --dates, which the import and the wizard both take.
void AddFormatOptions(CLI::App* cmd, ImportOptions& o) {
  cmd->add_option("--decimal", o.decimal,
                  "decimal separator of numbers, . (default) or , (DecimalSeparator)");
  cmd->add_option("--dates", o.dates,
                  "order of day, month and year besides ISO dates: YMD (default, ISO only), "
                  "DMY or MDY (DateOrder)");
}

}  // namespace

CLI::App* AddImportCommand(CLI::App& app, ImportOptions& o, const CLI::Validator& languages,
                           const CLI::Validator& kinds, const CLI::Validator& encodings) {
  CLI::App* cmd = app.add_subcommand(
      "import",
      "Import a text file silently (the control's Action = 1), by a saved layout or by the one "
      "guessed from the file.");
  cmd->add_option("--db", o.db, "SQLite database file or postgresql:// URI (MDBFile)")->required();
  cmd->add_option("--table", o.table, "target table (TabImport)")->required();
  cmd->add_option("--errors", o.errors,
                  "error table (TabError); default TABLE_errors, made when missing");
  cmd->add_option("--file", o.file, "text file to import (ImportFile)")->required();
  cmd->add_option("--type", o.type, "delimited or fixed (FileType); default the guess's")
      ->check(kinds);
  cmd->add_option("--spec", o.spec,
                  "name of a saved layout (SpecificationName); without it the layout is guessed");
  cmd->add_option("--separator", o.separator,
                  "instead of the guessed separator: a character, or {TAB}, {SPACE}, {NONE}");
  cmd->add_option("--delimiter", o.delimiter,
                  "instead of the guessed text delimiter: a character or {NONE}");
  cmd->add_option("--skip", o.skip, "instead of the guessed lines to skip")
      ->check(CLI::Range(0, 32767));
  cmd->add_option("--columns", o.columns,
                  "instead of the guessed fixed-width columns: BEGIN-END[,BEGIN-END...]");
  cmd->add_option("--map", o.map,
                  "without --field: fields go to the columns of the same name, or by position "
                  "(default: names when the file has a header line)")
      ->check(CLI::IsMember({"names", "positions"}));
  cmd->add_flag("--create", o.create,
                "create the target table from the file when it is missing (and the SQLite file)");
  cmd->add_option("--save-spec", o.saveSpec, "save the layout used under this name");

  cmd->add_option("--connect", o.connect, "connect string (MDBPassword)");
  cmd->add_flag("--overwrite", o.overwrite, "empty the target table first (OverWriteTab)");
  cmd->add_option("--language", o.language, "language of the texts")
      ->check(languages)
      ->capture_default_str();
  cmd->add_option("--specs-dir", o.specsDir, "folder of the saved layouts");
  AddFormatOptions(cmd, o);
  cmd->add_option("--encoding", o.encoding,
                  "how the text file is read (Encoding): auto, windows-1252, utf-8, utf-16le, "
                  "utf-16be")
      ->check(encodings);
  cmd->add_option("--field", o.fields,
                  "one InfoField row, in order: FieldName|ColumnName|Required|AllowNewName|"
                  "AllowConstant|AssociatedColumn|ConstantValue|NewColumnName (trailing "
                  "attributes may be left out; AssociatedColumn counts fields from 0); "
                  "without any, fields are matched to columns")
      ->take_all();
  for (const char* inline_option : {"--separator", "--delimiter", "--skip", "--columns"}) {
    cmd->get_option(inline_option)->excludes("--spec");
  }
  return cmd;
}

CLI::App* AddWizardCommand(CLI::App& app, ImportOptions& o, const CLI::Validator& languages,
                           const CLI::Validator& encodings) {
  CLI::App* cmd = app.add_subcommand(
      "wizard", "Open the import wizard (the control's Action = 0); needs a display.");
  cmd->add_option("--db", o.db, "SQLite database file (MDBFile)")->required();
  cmd->add_option("--table", o.table, "target table (TabImport)")->required();
  cmd->add_option("--errors", o.errors, "error table (TabError)")->required();
  cmd->add_option("--connect", o.connect, "connect string (MDBPassword)");
  cmd->add_flag("--overwrite", o.overwrite,
                "empty the target table without asking, when --ask-to-append is no");
  cmd->add_option("--ask-to-append", o.askToAppend,
                  "ask before emptying a target table that holds rows (AsktoAppend)")
      ->check(CLI::IsMember({"yes", "no"}))
      ->capture_default_str();
  cmd->add_option("--language", o.language, "language of the texts")
      ->check(languages)
      ->capture_default_str();
  cmd->add_option("--specs-dir", o.specsDir, "folder of the saved layouts");
  cmd->add_option("--encoding", o.encoding, "the character set stage 1 starts with (auto)")
      ->check(encodings);
  AddFormatOptions(cmd, o);
  cmd->add_option("--field", o.fields, "one InfoField row, as for import")->required()->take_all();
  return cmd;
}

int RunImportCommand(const ImportOptions& o) {
  return RunImport(o);
}

int RunWizardCommand(const ImportOptions& o) {
  return RunWizard(o);
}

}  // namespace vandrel::cli
