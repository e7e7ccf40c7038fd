// The layout-file commands of the command-line host: list, show, add and delete saved
// layouts.
#include <iostream>
#include <optional>

#include "cli.h"
#include "vandrel/app_folder.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"
#include "vandrel/layout_entry.h"

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
  const auto entry = FindLayoutEntry(Folder(o), KindOf(o.kind), o.name);
  if (!entry) throw UsageError{"no " + o.kind + " layout named '" + o.name + "'"};
  std::cout << "name: " << entry->name << "\nseparator: " << entry->separator
            << "\ndelimiter: " << entry->delimiter << "\nskip: " << entry->skip << '\n';
  if (entry->kind == SpecKind::Fixed) std::cout << "columns: " << entry->columns << '\n';
  return kExitOk;
}

}  // namespace

int SaveLayout(const SpecsOptions& o) {
  const int language = kLanguages.at(o.language);
  std::optional<std::string> saved;
  try {
    saved = SaveLayoutEntry(
        Folder(o), {KindOf(o.kind), o.name, o.separator, o.delimiter, o.skip, o.columns}, language);
  } catch (const vandrel::Error& e) {
    // A layout the file would cut or garble, or one that cannot be a layout at all, is a
    // usage error; the file's own failures reach the user as errors.
    if (e.number() != kErrInvalidArgument) throw;
    throw UsageError{e.description()};
  }
  if (!saved) {
    std::cerr << vandrel::LoadResString(language * 1000 + 518) << '\n';
    return kExitHostError;
  }
  std::cout << "saved " << o.kind << " layout '" << *saved << "' in "
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
