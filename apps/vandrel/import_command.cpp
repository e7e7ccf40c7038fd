// The import and wizard commands of the command-line host: the control's properties set as a
// host application would set them, then Action = 1 (the silent import) or Action = 0 (the
// wizard).
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "vandrel/app_folder.h"
#include "vandrel/host_hooks.h"
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
// tables, NumField before the InfoField cells.
void AssignCommonProperties(VandrelCtl& ctl, const ImportOptions& o) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& field : o.fields) {
    rows.push_back(Split(field, '|'));
    if (rows.back().size() > 8) {
      throw UsageError{"--field takes at most 8 attributes separated by '|': " + field};
    }
  }
  if (!o.specsDir.empty()) SetApplicationFolder(o.specsDir);
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
  ctl.setEncoding(o.encoding);
  if (!o.decimal.empty()) ctl.setDecimalSeparator(o.decimal);
  if (!o.dates.empty()) ctl.setDateOrder(o.dates);
  // NumField is the highest row index; one row still needs a matrix of two.
  ctl.setNumField(static_cast<std::int16_t>(std::max<std::size_t>(rows.size(), 2) - 1));
  for (std::size_t x = 0; x < rows.size(); ++x) {
    for (std::size_t y = 0; y < rows[x].size(); ++y) {
      ctl.setInfoField(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), rows[x][y]);
    }
  }
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

int RunImport(const ImportOptions& o) {
  VandrelCtl ctl;
  AssignCommonProperties(ctl, o);
  const InterruptStopsImport interrupt;

  const bool terminal = ::isatty(STDERR_FILENO);
  if (terminal) hostHooks().progress = ShowProgress;
  ctl.setImportResult(eResult::Abort);
  try {
    ctl.setAction(aBackground);
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
  VandrelCtl ctl;
  AssignCommonProperties(ctl, o);
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
      "import", "Import a text file silently by a saved layout (the control's Action = 1).");
  cmd->add_option("--db", o.db, "SQLite database file (MDBFile)")->required();
  cmd->add_option("--table", o.table, "target table (TabImport)")->required();
  cmd
      ->add_option("--errors", o.errors, "error table with NumRiga, CodErr, MsgErr (TabError)")
      ->required();
  cmd->add_option("--file", o.file, "text file to import (ImportFile)")->required();
  cmd->add_option("--type", o.type, "delimited or fixed (FileType)")
      ->required()
      ->check(kinds);
  cmd->add_option("--spec", o.spec, "name of a saved layout (SpecificationName)")
      ->required();
  cmd->add_option("--connect", o.connect, "connect string (MDBPassword)");
  cmd->add_flag("--overwrite", o.overwrite, "empty the target table first (OverWriteTab)");
  cmd->add_option("--language", o.language, "language of the texts")
      ->check(languages)
      ->capture_default_str();
  cmd->add_option("--specs-dir", o.specsDir, "folder of the saved layouts");
  AddFormatOptions(cmd, o);
  cmd
      ->add_option("--encoding", o.encoding,
                   "how the text file is read (Encoding): auto, windows-1252, utf-8, utf-16le, "
                   "utf-16be")
      ->check(encodings)
      ->capture_default_str();
  cmd
      ->add_option("--field", o.fields,
                   "one InfoField row, in order: FieldName|ColumnName|Required|AllowNewName|"
                   "AllowConstant|AssociatedColumn|ConstantValue|NewColumnName (trailing "
                   "attributes may be left out; AssociatedColumn counts fields from 0)")
      ->required()
      ->take_all();
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
  cmd
      ->add_option("--ask-to-append", o.askToAppend,
                   "ask before emptying a target table that holds rows (AsktoAppend)")
      ->check(CLI::IsMember({"yes", "no"}))
      ->capture_default_str();
  cmd->add_option("--language", o.language, "language of the texts")
      ->check(languages)
      ->capture_default_str();
  cmd->add_option("--specs-dir", o.specsDir, "folder of the saved layouts");
  cmd->add_option("--encoding", o.encoding, "the character set stage 1 starts with")
      ->check(encodings)
      ->capture_default_str();
  AddFormatOptions(cmd, o);
  cmd->add_option("--field", o.fields, "one InfoField row, as for import")
      ->required()
      ->take_all();
  return cmd;
}

int RunImportCommand(const ImportOptions& o) {
  return RunImport(o);
}

int RunWizardCommand(const ImportOptions& o) {
  return RunWizard(o);
}

}  // namespace vandrel::cli
