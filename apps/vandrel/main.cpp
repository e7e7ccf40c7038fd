// vandrel: the command-line host of the control. It sets the control's properties the way a
// host application would and reports what the control says.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "vandrel/catalogue.h"
#include "vandrel/error.h"
#include "vandrel/property_bag.h"
#include "vandrel/vandrel_ctl.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitHostError = 1;
constexpr int kExitUsage = 64;

const std::map<std::string, int> kLanguages{
    {"it", vandrel::lItalian}, {"en", vandrel::lEnglish}, {"fr", vandrel::lFrench},
    {"de", vandrel::lGerman},  {"es", vandrel::lSpanish}};

// Error texts may hold a carriage return between their two sentences; a terminal wants a
// line feed there.
std::string ForTerminal(std::string text) {
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  return text;
}

int ReportError(const vandrel::Error& e) {
  std::cerr << "error " << e.number() << ": " << ForTerminal(e.description()) << '\n';
  return kExitHostError;
}

struct CheckOptions {
  std::string db, connect, table, errors, file, type, language;
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
    std::cout << name << " = " << value << ": accepted\n";
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
  if (!o.saveProperties.empty()) {
    vandrel::IniPropertyBag bag;
    ctl.WriteProperties(bag);
    bag.Save(o.saveProperties);
    std::cout << "properties saved to " << o.saveProperties << '\n';
  }
  return kExitOk;
}

int RunMessages(const std::string& language) {
  for (const auto& [offset, text] : vandrel::CatalogueEntries(kLanguages.at(language))) {
    std::cout << offset << '\t' << text << '\n';
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"vandrel - imports delimited or fixed-width text files into database tables"};
  app.set_version_flag("--version", std::string("vandrel ") + VANDREL_VERSION);
  app.require_subcommand(1);
  auto languageCheck = CLI::IsMember({"it", "en", "fr", "de", "es"});

  CheckOptions check;
  CLI::App* checkCmd = app.add_subcommand(
      "check", "Assign the control's properties as an import would and report each one.");
  checkCmd->add_option("--db", check.db, "SQLite database file (MDBFile)");
  checkCmd->add_option("--connect", check.connect, "connect string (MDBPassword)");
  checkCmd->add_option("--table", check.table, "target table (TabImport)");
  checkCmd->add_option("--errors", check.errors, "error table (TabError)");
  checkCmd->add_option("--file", check.file, "text file to import (ImportFile)");
  checkCmd->add_option("--type", check.type, "file type (FileType)")
      ->check(CLI::IsMember({"delimited", "fixed"}));
  checkCmd->add_option("--language", check.language, "language of the texts")->check(languageCheck);
  checkCmd->add_option("--load-properties", check.loadProperties,
                       "load saved properties from this INI file first");
  checkCmd->add_option("--save-properties", check.saveProperties,
                       "save the resulting properties to this INI file");

  std::string language = "it";
  CLI::App* messagesCmd = app.add_subcommand(
      "messages", "Print the message catalogue of one language: offset, a tab, the text.");
  messagesCmd->add_option("--language", language, "it, en, fr, de or es")
      ->check(languageCheck)
      ->capture_default_str();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }

  try {
    if (*checkCmd) return RunCheck(check);
    if (*messagesCmd) return RunMessages(language);
  } catch (const vandrel::Error& e) {
    return ReportError(e);
  }
  return kExitUsage;
}
