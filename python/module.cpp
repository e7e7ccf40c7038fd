// The Python module `vandrel`: the control (control.cpp), its exception and enumerations, and
// the module functions for the application folder and the saved layouts, named as the command
// line's `specs` subcommands and options. Loading it installs the wizard when the module was
// built with the Qt library.
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "control.h"
#include "convert.h"
#include "vandrel/app_folder.h"
#include "vandrel/layout_entry.h"
#include "vandrel/spec_files.h"
#ifdef VANDREL_WITH_WIZARD
#include "vandrel/wizard.h"
#endif

namespace vandrel::python {
namespace {

// vandrel.Error and the enumerations are plain Python classes, so that they behave as Python
// exceptions and IntEnums do (pickling, comparison with ints, str()).
constexpr const char* kPythonTypes = R"(
import enum as _enum

class Error(Exception):
    """An error of the control, as vandrel::Error: number, source and description. A property
    refused because of another error is still 380, its description beginning with the cause's
    number and text."""

    def __init__(self, number, description="", source="Vandrel"):
        super().__init__(number, description, source)
        self.number = number
        self.description = description
        self.source = source

    def __str__(self):
        return f"{self.number}: {self.description}"

class Result(_enum.IntEnum):
    """ImportResult: what an import came to."""
    Success = 1
    Failure = 2
    SError = 3
    Abort = 4

class FileType(_enum.IntEnum):
    """FileType: how the text file is cut."""
    Delimited = 0
    FixedWidth = 1

class Language(_enum.IntEnum):
    """Language: the language of the wizard and of the error texts."""
    Italian = 1
    English = 2
    French = 3
    German = 4
    Spanish = 5

class Action(_enum.IntEnum):
    """Action: what assigning it runs."""
    ShowInterface = 0
    Background = 1

del _enum
)";

py::dict SpecDict(const LayoutEntry& e) {
  py::dict d;
  d["name"] = e.name;
  d["kind"] = KindName(e.kind);
  d["separator"] = e.separator;
  d["delimiter"] = e.delimiter;
  d["skip"] = e.skip;
  d["columns"] = e.kind == specs::SpecKind::Fixed ? py::object(py::str(e.columns)) : py::none();
  return d;
}

void BindSpecs(py::module_& m) {
  m.def(
      "list_specs",
      [](py::handle kind) {
        const specs::SpecKind k = Kind(kind);
        return Released([&] { return specs::ListNames(k, ApplicationFolder()); });
      },
      py::arg("kind"), "The names of the saved layouts of a kind ('delimited' or 'fixed').");
  m.def(
      "show_spec",
      [](py::handle name, py::handle kind) {
        const std::string n = Text(name, "name");
        const specs::SpecKind k = Kind(kind);
        const auto entry = Released([&] { return FindLayoutEntry(ApplicationFolder(), k, n); });
        if (!entry)
          throw py::key_error("no " + std::string(KindName(k)) + " layout named '" + n + "'");
        return SpecDict(*entry);
      },
      py::arg("name"), py::arg("kind"),
      "The layout saved under exactly `name`: a dict of name, kind, separator, delimiter, skip "
      "and columns ('1-8,9-20', None for delimited), as add_spec takes them. KeyError when none "
      "is saved.");
  m.def(
      "add_spec",
      [](py::handle name, py::handle kind, py::handle separator, py::handle delimiter,
         py::handle skip, py::handle columns, py::handle language) -> std::optional<std::string> {
        const LayoutEntry entry{Kind(kind),
                                Text(name, "name"),
                                Text(separator, "separator"),
                                Text(delimiter, "delimiter"),
                                Integer(skip, "skip", INT64_MIN, INT64_MAX),
                                columns.is_none() ? std::string() : Text(columns, "columns")};
        const int lang = Int32(language, "language");
        return Released([&] { return SaveLayoutEntry(ApplicationFolder(), entry, lang); });
      },
      py::arg("name"), py::kw_only(), py::arg("kind"), py::arg("separator"), py::arg("delimiter"),
      py::arg("skip"), py::arg("columns") = py::none(), py::arg("language") = 1,
      "Saves a layout as `vandrel specs add` does: separator and delimiter a character or a "
      "token ('{TAB}', '{SPACE}', '{NONE}'), written in `language`; for kind 'fixed', columns "
      "as '1-8,9-20'. Returns the name as saved (trimmed), or None when a layout of that name "
      "is saved already. vandrel.Error 5 says what is wrong with a layout that cannot be saved.");
  m.def(
      "delete_spec",
      [](py::handle name, py::handle kind) {
        const std::string n = Text(name, "name");
        const specs::SpecKind k = Kind(kind);
        Released([&] { specs::Delete(k, ApplicationFolder(), n); });
      },
      py::arg("name"), py::arg("kind"),
      "Deletes every layout of a kind saved under exactly `name`.");
}

}  // namespace
}  // namespace vandrel::python

PYBIND11_MODULE(vandrel, m) {
  namespace py = pybind11;
  using namespace vandrel::python;
  m.doc() =
      "Imports delimited or fixed-width text files into SQLite or PostgreSQL tables: the "
      "Vandrel control, its wizard and its saved layouts.";
  py::exec(kPythonTypes, m.attr("__dict__"));
  SetErrorType(m.attr("Error"));
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const vandrel::Error& e) {
      SetPythonError(e);
    }
  });
  BindControl(m);
  BindSpecs(m);
  m.def(
      "set_application_folder",
      [](py::handle path) { vandrel::SetApplicationFolder(PathText(path, "path")); },
      py::arg("path"),
      "Where the saved layouts are (str or path); '' returns to the default, the folder of the "
      "running executable.");
  m.def("application_folder", &vandrel::ApplicationFolder, "The folder of the saved layouts.");
#ifdef VANDREL_WITH_WIZARD
  vandrel::InstallWizard();
#endif
}
