// vandrel: the command-line host of the control. It sets the control's properties the way a
// host application would, runs the silent import, and manages the saved layouts.
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
#include "vandrel/property_bag.h"
#include "vandrel/spec_files.h"
#include "vandrel/store.h"
#include "vandrel/vandrel_ctl.h"

#include "cli.h"

namespace {

using namespace vandrel::cli;

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

CLI::App* AddCheckCommand(CLI::App& app, CheckOptions& check, const CLI::Validator& languages,
                          const CLI::Validator& kinds) {
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
  return checkCmd;
}

int RunMessages(const std::string& language) {
  for (const auto& [offset, text] : vandrel::CatalogueEntries(kLanguages.at(language))) {
    std::cout << offset << '\t' << text << '\n';
  }
  return kExitOk;
}

// What an exception that reached the command line means for the user, and the exit status.
int ReportFailure() {
  try {
    throw;
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
  CLI::App* importCmd = AddImportCommand(app, imp, languages, kinds, encodings);
  ImportOptions wiz;
  CLI::App* wizardCmd = AddWizardCommand(app, wiz, languages, encodings);

  SniffOptions sniff;
  CLI::App* sniffCmd = AddSniffCommand(app, sniff, kinds, encodings);
  SpecsCommand specs;
  AddSpecsCommand(app, specs);

  CheckOptions check;
  CLI::App* checkCmd = AddCheckCommand(app, check, languages, kinds);

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
    if (*importCmd) return RunImportCommand(imp);
    if (*wizardCmd) return RunWizardCommand(wiz);
    if (*sniffCmd) return RunSniff(sniff);
    if (const int status = RunSpecsCommand(specs); status >= 0) return status;
    if (*checkCmd) return RunCheck(check);
    if (*messagesCmd) return RunMessages(language);
  } catch (...) {
    return ReportFailure();
  }
  return kExitUsage;
}
