// vandrel.Control: the control's properties and methods under their C++ names, each a call of
// VandrelCtl. Values come in through convert.h; the GIL is let go around everything that reads
// a file or opens a database, and around Action, whose silent import reports through
// progress.h and whose wizard runs a Qt event loop in which PyQt's slots need the GIL.
#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <exception>
#include <utility>

#include "control.h"
#include "convert.h"
#include "progress.h"
#include "vandrel/guess.h"
#include "vandrel/host_hooks.h"
#include "vandrel/vandrel_ctl.h"

namespace vandrel::python {
namespace {

// One Python object: the control, and the callable its silent imports report to.
struct Control {
  VandrelCtl ctl;
  py::object progress = py::none();
};

using Class = py::class_<Control>;

// A silent import: reported to the control's callable, stopped by Ctrl-C on the main thread,
// the callable's exception raised before the import's own.
void ImportSilently(Control& c, const std::function<void()>& import) {
  ProgressRelay relay(c.progress);
  const InterruptCancels interrupt;
  std::exception_ptr failure;
  Released([&] {
    try {
      import();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  // The import is over: a stop the callback's last report or a late Ctrl-C asks for now must
  // not stop the next one.
  const StopRequestUsedUp usedUp;
  relay.Finish();
  interrupt.Finish();
  if (failure) std::rethrow_exception(failure);
}

void SetAction(Control& c, py::handle value) {
  const std::int32_t action = Int32(value, "Action");
  if (action == aBackground) {
    ImportSilently(c, [&] { c.ctl.setAction(action); });
  } else {
    Released([&] { c.ctl.setAction(action); });
  }
}

// Result(value) when the value is one, else the plain number.
py::object EnumOrInt(const char* name, std::int64_t value) {
  const py::object type = py::module_::import("vandrel").attr(name);
  if (py::bool_(type.attr("_value2member_map_").attr("__contains__")(value))) return type(value);
  return py::int_(value);
}

// A text property: `set` takes the converted value.
template <typename Get, typename Set>
void TextProperty(Class& cls, const char* name, Get get, Set set, const char* doc,
                  bool path = false, bool releaseGil = false) {
  cls.def_property(
      name, [get](const Control& c) { return std::string((c.ctl.*get)()); },
      [name, set, path, releaseGil](Control& c, py::handle value) {
        const std::string text = path ? PathText(value, name) : Text(value, name);
        if (!releaseGil) return (c.ctl.*set)(text);
        Released([&] { (c.ctl.*set)(text); });
      },
      doc);
}

void BindTextProperties(Class& cls) {
  TextProperty(cls, "MDBFile", &VandrelCtl::MDBFile, &VandrelCtl::setMDBFile,
               "The database: an SQLite file (str or path) or a postgresql:// URI. Assigning it "
               "opens it with MDBPassword; a database that cannot be opened is refused with 380, "
               "its description beginning with the cause's number.",
               true, true);
  TextProperty(cls, "MDBPassword", &VandrelCtl::MDBPassword, &VandrelCtl::setMDBPassword,
               "The connect string: key=value pairs separated by ';'. Assign it before MDBFile.");
  TextProperty(cls, "TabImport", &VandrelCtl::TabImport, &VandrelCtl::setTabImport,
               "The target table; one MDBFile lacks is refused with 380.", false, true);
  TextProperty(cls, "TabError", &VandrelCtl::TabError, &VandrelCtl::setTabError,
               "The error table (NumRiga, CodErr, MsgErr); one MDBFile lacks is refused with 380.",
               false, true);
  TextProperty(cls, "ImportFile", &VandrelCtl::ImportFile, &VandrelCtl::setImportFile,
               "The text file to import (str or path); one that cannot be read is refused with "
               "380.",
               true, true);
  TextProperty(cls, "SpecificationName", &VandrelCtl::SpecificationName,
               &VandrelCtl::setSpecificationName,
               "The saved layout the silent import cuts by (letter case ignored).");
  TextProperty(cls, "Encoding", &VandrelCtl::Encoding, &VandrelCtl::setEncoding,
               "How text files are read: 'auto', 'windows-1252', 'utf-8', 'utf-16le' or "
               "'utf-16be'.");
  TextProperty(cls, "DecimalSeparator", &VandrelCtl::DecimalSeparator,
               &VandrelCtl::setDecimalSeparator,
               "How the file writes numbers: '.' or ',' (with grouped thousands).");
  TextProperty(cls, "DateOrder", &VandrelCtl::DateOrder, &VandrelCtl::setDateOrder,
               "How the file writes dates besides ISO: 'YMD' (ISO only), 'DMY' or 'MDY'.");
}

void BindNumberProperties(Class& cls) {
  cls.def_property(
      "FileType", [](const Control& c) { return EnumOrInt("FileType", c.ctl.FileType()); },
      [](Control& c, py::handle v) { c.ctl.setFileType(Int32(v, "FileType")); },
      "FileType.Delimited (0) or FileType.FixedWidth (1); anything else is refused with 380.");
  cls.def_property(
      "Language", [](const Control& c) { return EnumOrInt("Language", c.ctl.Language()); },
      [](Control& c, py::handle v) { c.ctl.setLanguage(Int32(v, "Language")); },
      "The language of texts and error rows: Language.Italian (1) .. Language.Spanish (5).");
  cls.def_property(
      "NumField", [](const Control& c) { return c.ctl.NumField(); },
      [](Control& c, py::handle v) { c.ctl.setNumField(Int16(v, "NumField")); },
      "The highest InfoField row index (1 or more): assigning it makes empty rows 0..NumField.");
  cls.def_property(
      "OverWriteTab", [](const Control& c) { return c.ctl.OverWriteTab(); },
      [](Control& c, py::handle v) {
        if (py::isinstance<py::bool_>(v)) return c.ctl.setOverWriteTab(v.cast<bool>());
        c.ctl.setOverWriteTab(Boolean16(Int16(v, "OverWriteTab")));
      },
      "Empty the target table before the silent import: a bool, or the 16-bit values -1 and 0 "
      "(anything else is refused with 380).");
  cls.def_property(
      "AsktoAppend", [](const Control& c) { return c.ctl.AsktoAppend(); },
      [](Control& c, py::handle v) { c.ctl.setAsktoAppend(Flag(v, "AsktoAppend")); },
      "The wizard asks before emptying a target table that holds rows.");
  cls.def_property(
      "ImportResult", [](const Control& c) { return EnumOrInt("Result", c.ctl.ImportResult()); },
      [](Control& c, py::handle v) { c.ctl.setImportResult(Int16(v, "ImportResult")); },
      "What the latest import came to: a Result (Success, Failure, SError, Abort).");
  cls.def_property("Action", nullptr, SetAction,
                   "Assign Action.ShowInterface (0) to open the modal wizard, Action.Background "
                   "(1) to import silently by the saved layout; returns when the import is over. "
                   "The GIL is released meanwhile. Anything else is refused with 380.");
}

void BindInfoField(Class& cls) {
  cls.def_property(
      "InfoField", [](const Control& c) { return RowsToPython(c.ctl.InfoFieldRows()); },
      [](Control& c, py::handle v) { c.ctl.setInfoFieldRows(Rows(v)); },
      "The field rows as a whole: a list of rows, each a tuple in attribute order (FieldName, "
      "ColumnName, Required, AllowNewName, AllowConstant, AssociatedColumn, ConstantValue, "
      "NewColumnName; trailing ones may be left out; str, int, bool or None) or a dict with "
      "those names. Assigning sets NumField to the highest row index (at least 1, so one row "
      "makes two); reading gives rows 0..NumField as tuples of 8 str.");
  cls.def(
      "info_field",
      [](const Control& c, py::handle x, py::handle y) {
        return c.ctl.InfoField(Int16(x, "x"), Int16(y, "y"));
      },
      py::arg("x"), py::arg("y"),
      "The InfoField cell of row x, attribute y (0..8); Error 9 outside the matrix.");
  cls.def(
      "set_info_field",
      [](Control& c, py::handle x, py::handle y, py::handle value) {
        c.ctl.setInfoField(Int16(x, "x"), Int16(y, "y"), std::string_view(Cell(value, "value")));
      },
      py::arg("x"), py::arg("y"), py::arg("value"),
      "Assigns one InfoField cell (a str, an int, a bool as 1 or 0); 380 outside 0..NumField "
      "and 0..8.");
}

void BindOutcome(Class& cls) {
  cls.def_property(
      "progress", [](const Control& c) { return c.progress; },
      [](Control& c, py::object f) {
        if (!f.is_none() && !PyCallable_Check(f.ptr())) {
          throw py::type_error("progress takes a callable f(done, total) or None");
        }
        c.progress = std::move(f);
      },
      "A callable f(done, total) given the bytes of the text file read and its size while a "
      "silent import runs, at most four times a second and once at the end, from the thread "
      "that reads the file; or None. An exception it raises stops the import (as cancel()) and "
      "is raised to the caller of Action = 1.");
  cls.def_property_readonly(
      "last_import_error",
      [](const Control& c) -> py::object {
        if (const auto e = c.ctl.LastImportError()) return PythonError(*e);
        return py::none();
      },
      "The vandrel.Error that stopped the latest import, or None.");
  cls.def_property_readonly(
      "last_import_stats", [](const Control& c) { return c.ctl.LastImportStats(); },
      "What the latest import stored and logged (what it committed, when it stopped part-way).");
  cls.def_property_readonly(
      "last_import_stopped_at", [](const Control& c) { return c.ctl.LastImportStoppedAt(); },
      "The line a cancel stopped the latest import at (the first neither stored nor logged), or "
      "None.");
  cls.def_static("cancel", &VandrelCtl::Cancel,
                 "Stops the silent import that runs (or the next one) before its next line: the "
                 "lines before it stay stored or logged and ImportResult becomes Abort. Safe from "
                 "any thread and from the progress callable.");
}

void BindFirstContact(Class& cls) {
  cls.def(
      "guess_layout",
      [](const Control& c) {
        const std::string json = Released([&] { return GuessJson(c.ctl.GuessLayout()); });
        return py::module_::import("json").attr("loads")(json);
      },
      "The layout of ImportFile guessed from its first records: a dict with the keys of "
      "`vandrel sniff --json` (encoding, type, separator, delimiter, skip, header, decimal, "
      "dates, columns).");
  cls.def(
      "associate_by_header",
      [](Control& c) {
        const HeaderAssociation a = Released([&] { return c.ctl.AssociateByHeader(); });
        py::dict result;
        result["matched"] = a.matched;
        result["unmatched"] = a.unmatched;
        return result;
      },
      "Gives every InfoField row without an association the field of ImportFile's header whose "
      "name matches its ColumnName or FieldName (case, accents, blanks, '_' and '-' ignored). "
      "Returns {'matched': [...], 'unmatched': [...]}: the header names given a row, and those "
      "no row takes.");
  cls.def(
      "import_with_layout",
      [](Control& c, py::handle kind, py::handle separator, py::handle delimiter, py::handle skip,
         py::handle columns) {
        const LayoutEntry entry{Kind(kind),
                                {},
                                Text(separator, "separator"),
                                Text(delimiter, "delimiter"),
                                Integer(skip, "skip", INT64_MIN, INT64_MAX),
                                columns.is_none() ? std::string() : Text(columns, "columns")};
        const TextLayout layout = LayoutOf(entry);
        ImportSilently(c, [&] { c.ctl.ImportWithLayout(layout); });
      },
      py::arg("kind"), py::kw_only(), py::arg("separator"), py::arg("delimiter"),
      py::arg("skip") = 0, py::arg("columns") = py::none(),
      "Imports silently as Action = 1 does, by the layout given instead of a saved one: kind, "
      "separator and delimiter (a character or a token such as '{TAB}' or '{NONE}'), skip and, "
      "for 'fixed', columns as '1-8,9-20'.");
}

}  // namespace

void BindControl(py::module_& m) {
  py::class_<ImportStats>(m, "ImportStats", "What an import stored and logged.")
      .def_readonly("lines_read", &ImportStats::linesRead, "Lines handed to the record writer.")
      .def_readonly("rows_stored", &ImportStats::rowsStored, "Rows added to the target table.")
      .def_readonly("error_rows", &ImportStats::errorRows, "Rows added to the error table.")
      .def_readonly("error_rows_lost", &ImportStats::errorRowsLost,
                    "Failing lines whose error row could not be stored either.")
      .def(
          "__repr__",
          [](const ImportStats& s) {
            return "ImportStats(lines_read=" + std::to_string(s.linesRead) +
                   ", rows_stored=" + std::to_string(s.rowsStored) +
                   ", error_rows=" + std::to_string(s.errorRows) +
                   ", error_rows_lost=" + std::to_string(s.errorRowsLost) + ")";
          },
          "The counts, as the constructor of a record would show them.");
  Class cls(m, "Control",
            "The import control. Its property values live in one settings block for the whole "
            "process, as the control promises: every Control sees the same values, whichever "
            "assigned them. A refused assignment raises vandrel.Error 380 and changes nothing. "
            "Use the controls from one thread at a time; cancel() may come from any.");
  cls.def(py::init<>(), "A control over the process's settings (assigns nothing).");
  cls.def(
      "init_properties", [](Control& c) { c.ctl.InitProperties(); },
      "Puts every property back to its default value.");
  BindTextProperties(cls);
  BindNumberProperties(cls);
  BindInfoField(cls);
  BindOutcome(cls);
  BindFirstContact(cls);
}

}  // namespace vandrel::python
