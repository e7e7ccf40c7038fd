// What the command-line host's commands share: exit statuses, languages, usage errors and
// small text helpers; the import and wizard commands (import_command.cpp) and the layout-file
// commands (specs_command.cpp).
#pragma once

#include <CLI/CLI.hpp>

#include <map>
#include <string>
#include <vector>

#include "vandrel/guess.h"
#include "vandrel/layout.h"
#include "vandrel/layout_entry.h"
#include "vandrel/spec_files.h"
#include "vandrel/store.h"
#include "vandrel/vandrel_ctl.h"

namespace vandrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitHostError = 1;
inline constexpr int kExitFailure = 2;
inline constexpr int kExitSError = 3;
inline constexpr int kExitAbort = 4;
inline constexpr int kExitUsage = 64;

inline const std::map<std::string, int> kLanguages{{"it", vandrel::lItalian},
                                                   {"en", vandrel::lEnglish},
                                                   {"fr", vandrel::lFrench},
                                                   {"de", vandrel::lGerman},
                                                   {"es", vandrel::lSpanish}};

// A usage error found after parsing (a malformed --field, say).
struct UsageError {
  std::string message;
};

// Error texts may hold a carriage return between their two sentences; a terminal wants a
// line feed there. Passwords never reach the terminal.
inline std::string ForTerminal(std::string text) {
  text = vandrel::store::MaskPasswords(text);
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  return text;
}

inline vandrel::specs::SpecKind KindOf(const std::string& kind) {
  return kind == "fixed" ? vandrel::specs::SpecKind::Fixed : vandrel::specs::SpecKind::Delimited;
}

inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// Option checks the commands share.
inline CLI::IsMember LanguageNames() {
  return CLI::IsMember({"it", "en", "fr", "de", "es"});
}
inline CLI::IsMember KindNames() {
  return CLI::IsMember({"delimited", "fixed"});
}

// `import` and `wizard`: the control's properties, then Action = 1 or 0.
struct ImportOptions {
  std::string db, table, errors, file, type, spec, connect, language = "it", specsDir;
  std::string askToAppend = "yes";
  std::string encoding;        // Encoding, when given ("auto" otherwise, or the guess's)
  std::string decimal, dates;  // DecimalSeparator and DateOrder, when given
  bool overwrite = false;
  std::vector<std::string> fields;
  // A layout of the command line's own, part by part over the guess.
  std::string separator, delimiter, columns;
  int skip = -1;
  std::string map;       // names or positions: how fields find columns without --field
  bool create = false;   // make what is missing: the SQLite file, the target table
  std::string saveSpec;  // save the layout used under this name
};


// The first contact (first_contact.cpp): the guess for the options' file, the layout in use
// (the guess, each part open to an inline option), "guessed: ..." on stderr, the tables made
// (--create) and the error table when missing (returns its name), and the field rows that
// match the table's columns to the fields, by header name or position.
LayoutGuess GuessFor(const ImportOptions& o);
// The layout in use as a saved layout writes it (for --save-spec), and as the import takes it:
// the guess's own where no part is given, so that it holds whatever the file's width and its
// number of columns, which a saved layout limits.
LayoutEntry LayoutInUse(const ImportOptions& o, const LayoutGuess& guess);
TextLayout TextLayoutInUse(const ImportOptions& o, const LayoutGuess& guess,
                           const LayoutEntry& entry);
void PrintGuessed(const ImportOptions& o, const LayoutGuess& guess);
std::string PrepareTables(const ImportOptions& o, const LayoutGuess* guess,
                          const TextLayout* layout);
std::vector<std::vector<std::string>> MappedFields(const ImportOptions& o, const LayoutGuess& guess,
                                                   const TextLayout& layout);

// `sniff FILE`: the guess, readable or as JSON.
struct SniffOptions {
  std::string file, type, encoding;
  bool json = false;
};
CLI::App* AddSniffCommand(CLI::App& app, SniffOptions& s, const CLI::Validator& kinds,
                          const CLI::Validator& encodings);
int RunSniff(const SniffOptions& s);
CLI::App* AddImportCommand(CLI::App& app, ImportOptions& o, const CLI::Validator& languages,
                           const CLI::Validator& kinds, const CLI::Validator& encodings);
CLI::App* AddWizardCommand(CLI::App& app, ImportOptions& o, const CLI::Validator& languages,
                           const CLI::Validator& encodings);
int RunImportCommand(const ImportOptions& o);
int RunWizardCommand(const ImportOptions& o);

// `specs list|show|add|delete`: the saved layouts.
struct SpecsOptions {
  std::string name, kind = "delimited", specsDir, separator, delimiter, columns, language = "it";
  int skip = 0;
};
struct SpecsCommand {
  SpecsOptions options;
  CLI::App* list = nullptr;
  CLI::App* show = nullptr;
  CLI::App* add = nullptr;
  CLI::App* remove = nullptr;
};
void AddSpecsCommand(CLI::App& app, SpecsCommand& command);
// Runs the specs subcommand given; -1 when none was.
int RunSpecsCommand(const SpecsCommand& command);
// Saves a layout as `specs add` does; prints where.
int SaveLayout(const SpecsOptions& o);

}  // namespace vandrel::cli
