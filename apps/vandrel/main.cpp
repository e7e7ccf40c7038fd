// vandrel: the command-line host of the control. It sets the control's properties the way a
// host application would, runs the silent import, and manages the saved layouts.
#include <signal.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "vandrel/app_folder.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"
#include "vandrel/host_hooks.h"
#include "vandrel/property_bag.h"
#include "vandrel/spec_files.h"
#include "vandrel/store.h"
#include "vandrel/vandrel_ctl.h"
#ifdef VANDREL_WITH_WIZARD
#include "vandrel/wizard.h"
#endif

#include "cli.h"

namespace {

using namespace vandrel::cli;

// ---- check ----

struct CheckOptions {
  std::string db, connect, table, errors, file, type, language, decimal, dates;
  std::string loadProperties, saveProperties;
};

// Assigns the given properties in the order the control needs them (the connect string
// before the database, the database before its tables) and says which were accepted.
int RunCheck(const CheckOptions& o) {
  vandrel::VandrelCtl ctl;
  ctl.InitProperties();
  if (!o.loadProperties.empty()) {
    vandrel::IniPropertyBag bag;
    bag.Load(o.loadProperties);
    ctl.ReadProperties(bag);
  }
  auto assign = [](const char* name, const std::string& value, auto&& set) {
    if (value.empty()) return;
    set();
    std::cout << name << " = " << vandrel::store::MaskPasswords(value) << ": accepted\n";
  };
  assign("MDBPassword", o.connect, [&] { ctl.setMDBPassword(o.connect); });
  assign("MDBFile", o.db, [&] { ctl.setMDBFile(o.db); });
  assign("TabImport", o.table, [&] { ctl.setTabImport(o.table); });
  assign("TabError", o.errors, [&] { ctl.setTabError(o.errors); });
  assign("FileType", o.type, [&] {
    ctl.setFileType(o.type == "delimited" ? vandrel::fDelimited : vandrel::fFixedWidth);
  });
  assign("ImportFile", o.file, [&] { ctl.setImportFile(o.file); });
  assign("Language", o.language, [&] { ctl.setLanguage(kLanguages.at(o.language)); });
  assign("DecimalSeparator", o.decimal, [&] { ctl.setDecimalSeparator(o.decimal); });
  assign("DateOrder", o.dates, [&] { ctl.setDateOrder(o.dates); });
  if (!o.saveProperties.empty()) {
    vandrel::IniPropertyBag bag;
    ctl.WriteProperties(bag);
    bag.Save(o.saveProperties);
    std::cout << "properties saved to " << o.saveProperties << '\n';
  }
  return kExitOk;
}

// ---- import ----

struct ImportOptions {
  std::string db, table, errors, file, type, spec, connect, language = "it", specsDir;
  std::string askToAppend = "yes";
  std::string encoding = "auto";
  std::string decimal, dates;  // DecimalSeparator and DateOrder, when given
  bool overwrite = false;
  std::vector<std::string> fields;
};

// Shows how far a long import has got, on one line rewritten in place.
void ShowProgress(const vandrel::ImportStats& s) {
  std::cerr << "\r" << s.linesRead << " lines: " << s.rowsStored << " stored, " << s.errorRows
            << " logged" << std::flush;
}

// The properties that the silent import and the wizard both read, assigned in the order the
// control needs them: the connect string before the database, the database before its
// tables, NumField before the InfoField cells.
void AssignCommonProperties(vandrel::VandrelCtl& ctl, const ImportOptions& o) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& field : o.fields) {
    rows.push_back(Split(field, '|'));
    if (rows.back().size() > 8) {
      throw UsageError{"--field takes at most 8 attributes separated by '|': " + field};
    }
  }
  if (!o.specsDir.empty()) vandrel::SetApplicationFolder(o.specsDir);
  ctl.InitProperties();
  ctl.setMDBPassword(o.connect);
  ctl.setMDBFile(o.db);
  ctl.setTabImport(o.table);
  ctl.setTabError(o.errors);
  if (!o.file.empty()) {
    ctl.setFileType(o.type == "fixed" ? vandrel::fFixedWidth : vandrel::fDelimited);
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
  switch (static_cast<vandrel::eResult>(result)) {
    case vandrel::eResult::Success:
      return kExitOk;
    case vandrel::eResult::SError:
      return kExitSError;
    case vandrel::eResult::Abort:
      return kExitAbort;
    default:
      return kExitFailure;
  }
}

const char* ResultName(std::int16_t result) {
  switch (static_cast<vandrel::eResult>(result)) {
    case vandrel::eResult::Success:
      return "Success";
    case vandrel::eResult::SError:
      return "SError";
    case vandrel::eResult::Abort:
      return "Abort";
    default:
      return "Failure";
  }
}

// Ctrl-C during an import stops it cleanly before its next line; a second one ends the
// program as usual.
void StopImport(int) {
  vandrel::VandrelCtl::Cancel();
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
void PrintCounts(const vandrel::ImportStats& stats) {
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
  vandrel::VandrelCtl ctl;
  AssignCommonProperties(ctl, o);
  const InterruptStopsImport interrupt;

  const bool terminal = ::isatty(STDERR_FILENO);
  if (terminal) vandrel::hostHooks().progress = ShowProgress;
  ctl.setImportResult(vandrel::eResult::Abort);
  try {
    ctl.setAction(vandrel::aBackground);
  } catch (const vandrel::Error& e) {
    if (terminal) std::cerr << '\n';
    vandrel::hostHooks().progress = nullptr;
    // An import stopped by an error (a full disk, say) keeps what it committed before: the
    // user needs those counts as much as the error.
    std::cerr << "error " << e.number() << ": " << ForTerminal(e.description()) << '\n';
    PrintCounts(ctl.LastImportStats());
    return kExitHostError;
  }
  if (terminal) std::cerr << '\n';
  vandrel::hostHooks().progress = nullptr;

  const vandrel::ImportStats stats = ctl.LastImportStats();
  std::cout << ResultName(ctl.ImportResult()) << '\n';
  if (const auto stoppedAt = ctl.LastImportStoppedAt()) {
    std::cerr << "import interrupted: stopped at line " << *stoppedAt
              << "; the lines before it are stored or logged\n";
  }
  if (ctl.ImportResult() == vandrel::eResult::Failure && stats.linesRead == 0) {
    std::cerr << "no saved " << o.type << " layout named '" << o.spec << "' in "
              << vandrel::ApplicationFolder() << '\n';
  }
  PrintCounts(stats);
  return ExitStatus(ctl.ImportResult());
}

// Opens the wizard (Action = 0) over the given database and field rows.
int RunWizard(const ImportOptions& o) {
#ifdef VANDREL_WITH_WIZARD
  vandrel::InstallWizard();
#endif
  vandrel::VandrelCtl ctl;
  AssignCommonProperties(ctl, o);
  ctl.setImportResult(vandrel::eResult::Abort);
  ctl.setAction(vandrel::aShowInterface);
  std::cout << ResultName(ctl.ImportResult()) << '\n';
  if (const auto error = ctl.LastImportError()) {
    std::cerr << "error " << error->number() << ": " << ForTerminal(error->description()) << '\n';
  }
  return ExitStatus(ctl.ImportResult());
}

int RunMessages(const std::string& language) {
  for (const auto& [offset, text] : vandrel::CatalogueEntries(kLanguages.at(language))) {
    std::cout << offset << '\t' << text << '\n';
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "vandrel - imports delimited or fixed-width text files into SQLite or PostgreSQL tables.\n"
      "Exit status: 0 Success, 3 SError (imported, with error rows), 2 Failure, 4 Abort (the "
      "wizard was cancelled), 1 an error reached the host (printed as 'error NUMBER: "
      "DESCRIPTION'), 64 usage error."};
  app.set_version_flag("--version", std::string("vandrel ") + VANDREL_VERSION);
  app.require_subcommand(1);
  const auto languages = LanguageNames();
  const auto kinds = KindNames();
  const auto encodings =
      CLI::IsMember({"auto", "windows-1252", "utf-8", "utf-16le", "utf-16be"}, CLI::ignore_case);

  ImportOptions imp;
  CLI::App* importCmd = app.add_subcommand(
      "import", "Import a text file silently by a saved layout (the control's Action = 1).");
  importCmd->add_option("--db", imp.db, "SQLite database file (MDBFile)")->required();
  importCmd->add_option("--table", imp.table, "target table (TabImport)")->required();
  importCmd
      ->add_option("--errors", imp.errors, "error table with NumRiga, CodErr, MsgErr (TabError)")
      ->required();
  importCmd->add_option("--file", imp.file, "text file to import (ImportFile)")->required();
  importCmd->add_option("--type", imp.type, "delimited or fixed (FileType)")
      ->required()
      ->check(kinds);
  importCmd->add_option("--spec", imp.spec, "name of a saved layout (SpecificationName)")
      ->required();
  importCmd->add_option("--connect", imp.connect, "connect string (MDBPassword)");
  importCmd->add_flag("--overwrite", imp.overwrite, "empty the target table first (OverWriteTab)");
  importCmd->add_option("--language", imp.language, "language of the texts")
      ->check(languages)
      ->capture_default_str();
  importCmd->add_option("--specs-dir", imp.specsDir, "folder of the saved layouts");
  auto formatOptions = [](CLI::App* cmd, ImportOptions& o) {
    cmd->add_option("--decimal", o.decimal,
                    "decimal separator of numbers, . (default) or , (DecimalSeparator)");
    cmd->add_option("--dates", o.dates,
                    "order of day, month and year besides ISO dates: YMD (default, ISO only), "
                    "DMY or MDY (DateOrder)");
  };
  formatOptions(importCmd, imp);
  importCmd
      ->add_option("--encoding", imp.encoding,
                   "how the text file is read (Encoding): auto, windows-1252, utf-8, utf-16le, "
                   "utf-16be")
      ->check(encodings)
      ->capture_default_str();
  importCmd
      ->add_option("--field", imp.fields,
                   "one InfoField row, in order: FieldName|ColumnName|Required|AllowNewName|"
                   "AllowConstant|AssociatedColumn|ConstantValue|NewColumnName (trailing "
                   "attributes may be left out; AssociatedColumn counts fields from 0)")
      ->required()
      ->take_all();

  ImportOptions wiz;
  CLI::App* wizardCmd = app.add_subcommand(
      "wizard", "Open the import wizard (the control's Action = 0); needs a display.");
  wizardCmd->add_option("--db", wiz.db, "SQLite database file (MDBFile)")->required();
  wizardCmd->add_option("--table", wiz.table, "target table (TabImport)")->required();
  wizardCmd->add_option("--errors", wiz.errors, "error table (TabError)")->required();
  wizardCmd->add_option("--connect", wiz.connect, "connect string (MDBPassword)");
  wizardCmd->add_flag("--overwrite", wiz.overwrite,
                      "empty the target table without asking, when --ask-to-append is no");
  wizardCmd
      ->add_option("--ask-to-append", wiz.askToAppend,
                   "ask before emptying a target table that holds rows (AsktoAppend)")
      ->check(CLI::IsMember({"yes", "no"}))
      ->capture_default_str();
  wizardCmd->add_option("--language", wiz.language, "language of the texts")
      ->check(languages)
      ->capture_default_str();
  wizardCmd->add_option("--specs-dir", wiz.specsDir, "folder of the saved layouts");
  wizardCmd->add_option("--encoding", wiz.encoding, "the character set stage 1 starts with")
      ->check(encodings)
      ->capture_default_str();
  formatOptions(wizardCmd, wiz);
  wizardCmd->add_option("--field", wiz.fields, "one InfoField row, as for import")
      ->required()
      ->take_all();

  SpecsCommand specs;
  AddSpecsCommand(app, specs);

  CheckOptions check;
  CLI::App* checkCmd = app.add_subcommand(
      "check", "Assign the control's properties as an import would and report each one.");
  checkCmd->add_option("--db", check.db, "SQLite database file (MDBFile)");
  checkCmd->add_option("--connect", check.connect, "connect string (MDBPassword)");
  checkCmd->add_option("--table", check.table, "target table (TabImport)");
  checkCmd->add_option("--errors", check.errors, "error table (TabError)");
  checkCmd->add_option("--file", check.file, "text file to import (ImportFile)");
  checkCmd->add_option("--type", check.type, "file type (FileType)")->check(kinds);
  checkCmd->add_option("--language", check.language, "language of the texts")->check(languages);
  checkCmd->add_option("--decimal", check.decimal, "decimal separator (DecimalSeparator)");
  checkCmd->add_option("--dates", check.dates, "date order (DateOrder)");
  checkCmd->add_option("--load-properties", check.loadProperties,
                       "load saved properties from this INI file first");
  checkCmd->add_option("--save-properties", check.saveProperties,
                       "save the resulting properties to this INI file");

  std::string language = "it";
  CLI::App* messagesCmd = app.add_subcommand(
      "messages", "Print the message catalogue of one language: offset, a tab, the text.");
  messagesCmd->add_option("--language", language, "it, en, fr, de or es")
      ->check(languages)
      ->capture_default_str();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }

  try {
    if (*importCmd) return RunImport(imp);
    if (*wizardCmd) return RunWizard(wiz);
    if (const int status = RunSpecsCommand(specs); status >= 0) return status;
    if (*checkCmd) return RunCheck(check);
    if (*messagesCmd) return RunMessages(language);
  } catch (const UsageError& e) {
    std::cerr << "vandrel: " << e.message << '\n';
    return kExitUsage;
  } catch (const vandrel::Error& e) {
    std::cerr << "error " << e.number() << ": " << ForTerminal(e.description()) << '\n';
    return kExitHostError;
  } catch (const std::bad_alloc&) {
    std::cerr << "error " << vandrel::kErrOutOfMemory << ": "
              << vandrel::StandardErrorText(vandrel::kErrOutOfMemory) << '\n';
    return kExitHostError;
  } catch (const std::exception& e) {
    // Anything else (a failure of the standard library, say) still ends with a message and
    // status 1 rather than an abort.
    std::cerr << "vandrel: " << e.what() << '\n';
    return kExitHostError;
  }
  return kExitUsage;
}
