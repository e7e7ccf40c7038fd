// The layout-file commands of the command-line host: list, show, add and delete saved
// layouts.
#include <iostream>

#include "cli.h"
#include "vandrel/app_folder.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"

namespace vandrel::cli {
namespace {

using specs::SpecKind;

std::string Folder(const SpecsOptions& o) {
  return o.specsDir.empty() ? vandrel::ApplicationFolder() : o.specsDir;
}

int RunSpecsList(const SpecsOptions& o) {
  for (const std::string& name : vandrel::specs::ListNames(KindOf(o.kind), Folder(o))) {
    std::cout << name << '\n';
  }
  return kExitOk;
}

int RunSpecsShow(const SpecsOptions& o) {
  if (KindOf(o.kind) == SpecKind::Delimited) {
    const auto records = vandrel::specs::ApplyDelimited(Folder(o), o.name);
    if (records.empty()) throw UsageError{"no delimited layout named '" + o.name + "'"};
    const auto& r = records.back();
    std::cout << "name: " << r.SpecName << "\nseparator: " << r.FieldSeparator
              << "\ndelimiter: " << r.TextDelimiter << "\nskip: " << r.SkipLines << '\n';
    return kExitOk;
  }
  const auto records = vandrel::specs::ApplyFixed(Folder(o), o.name);
  if (records.empty()) throw UsageError{"no fixed layout named '" + o.name + "'"};
  const auto& r = records.back();
  std::cout << "name: " << r.SpecName << "\nseparator: " << r.FieldSeparator
            << "\ndelimiter: " << r.TextDelimiter << "\nskip: " << r.SkipLines << "\ncolumns: ";
  for (std::size_t j = 0; j < r.FieldBegin.size() && !r.FieldBegin[j].empty(); ++j) {
    std::cout << (j ? "," : "") << r.FieldBegin[j] << '-' << r.FieldEnd[j];
  }
  std::cout << '\n';
  return kExitOk;
}

// "1-8,9-20" into the begin and end texts of a fixed-width layout.
void ParseColumns(const std::string& columns, vandrel::specs::FixedSpecRecord& r) {
  const auto ranges = Split(columns, ',');
  if (ranges.size() > r.FieldBegin.size()) {
    throw UsageError{"--columns takes at most " + std::to_string(r.FieldBegin.size()) + " ranges"};
  }
  for (std::size_t j = 0; j < ranges.size(); ++j) {
    const auto ends = Split(ranges[j], '-');
    int begin = 0, end = 0;
    auto number = [&](const std::string& t, int& v) {
      return !t.empty() && t.size() <= 4 &&
             t.find_first_not_of("0123456789") == std::string::npos && (v = std::stoi(t)) > 0;
    };
    if (ends.size() != 2 || !number(ends[0], begin) || !number(ends[1], end) || end < begin) {
      throw UsageError{"--columns: '" + ranges[j] +
                       "' is not a range BEGIN-END of columns 1 to 9999"};
    }
    r.FieldBegin[j] = ends[0];
    r.FieldEnd[j] = ends[1];
  }
}

// The name as the layout file will hold it. A name the file would cut or garble is a usage
// error: the saved layout could not be found by the name typed.
std::string StoredLayoutName(const std::string& typed) {
  try {
    return vandrel::specs::StorableName(typed);
  } catch (const vandrel::Error& e) {
    throw UsageError{e.description()};
  }
}

}  // namespace

int SaveLayout(const SpecsOptions& o) {
  const std::string name = StoredLayoutName(o.name);
  const int language = kLanguages.at(o.language);
  const std::string separator = vandrel::LocaliseToken(o.separator, language);
  const std::string delimiter = vandrel::LocaliseToken(o.delimiter, language);
  if (o.skip < 0 || o.skip > 32767) throw UsageError{"--skip takes 0 to 32767"};
  bool added;
  if (KindOf(o.kind) == SpecKind::Delimited) {
    if (!o.columns.empty()) throw UsageError{"--columns is for fixed-width layouts"};
    vandrel::specs::DelimitedSpecRecord r{name, separator, delimiter,
                                          static_cast<std::int16_t>(o.skip)};
    added = vandrel::specs::Append(Folder(o), name, r);
  } else {
    if (o.columns.empty()) throw UsageError{"a fixed-width layout needs --columns"};
    vandrel::specs::FixedSpecRecord r;
    r.SpecName = name;
    r.FieldSeparator = separator;
    r.TextDelimiter = delimiter;
    r.SkipLines = static_cast<std::int16_t>(o.skip);
    ParseColumns(o.columns, r);
    added = vandrel::specs::Append(Folder(o), name, r);
  }
  if (!added) {
    std::cerr << vandrel::LoadResString(language * 1000 + 518) << '\n';
    return kExitHostError;
  }
  std::cout << "saved " << o.kind << " layout '" << name << "' in "
            << vandrel::specs::SpecFilePath(KindOf(o.kind), Folder(o)) << '\n';
  return kExitOk;
}

namespace {

int RunSpecsDelete(const SpecsOptions& o) {
  const auto before = vandrel::specs::ListNames(KindOf(o.kind), Folder(o)).size();
  vandrel::specs::Delete(KindOf(o.kind), Folder(o), o.name);
  const auto after = vandrel::specs::ListNames(KindOf(o.kind), Folder(o)).size();
  std::cout << "deleted " << before - after << " " << o.kind << " layout(s) named '" << o.name
            << "'\n";
  return kExitOk;
}

}  // namespace

void AddSpecsCommand(CLI::App& app, SpecsCommand& command) {
  SpecsOptions& sp = command.options;
  CLI::App* specsCmd = app.add_subcommand("specs", "List, show, add or delete saved layouts.");
  specsCmd->require_subcommand(1);
  auto common = [&](CLI::App* cmd, bool named) {
    if (named) cmd->add_option("name", sp.name, "the layout's name")->required();
    cmd->add_option("--kind", sp.kind, "delimited or fixed")->required()->check(KindNames());
    cmd->add_option("--specs-dir", sp.specsDir, "folder of the layout files");
    return cmd;
  };
  command.list = common(specsCmd->add_subcommand("list", "Names of the saved layouts."), false);
  command.show = common(specsCmd->add_subcommand("show", "One saved layout."), true);
  CLI::App* addCmd = common(specsCmd->add_subcommand("add", "Save a layout."), true);
  addCmd->add_option("--separator", sp.separator, "a character, or {TAB}, {SPACE}, {NONE}")
      ->required();
  addCmd->add_option("--delimiter", sp.delimiter, "text delimiter: a character or {NONE}")
      ->required();
  addCmd->add_option("--skip", sp.skip, "lines to skip at the start")->required();
  addCmd->add_option("--columns", sp.columns, "fixed width: BEGIN-END[,BEGIN-END...], 1-based");
  addCmd->add_option("--language", sp.language, "language the tokens are written in")
      ->check(LanguageNames())
      ->capture_default_str();
  command.add = addCmd;
  command.remove = common(specsCmd->add_subcommand("delete", "Delete a saved layout."), true);
}

int RunSpecsCommand(const SpecsCommand& command) {
  if (*command.list) return RunSpecsList(command.options);
  if (*command.show) return RunSpecsShow(command.options);
  if (*command.add) return SaveLayout(command.options);
  if (*command.remove) return RunSpecsDelete(command.options);
  return -1;
}

}  // namespace vandrel::cli
