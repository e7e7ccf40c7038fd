// The one place where Python values become the control's C++ values and back. Every setter and
// function of the module takes its arguments through here, so a value of the wrong Python type
// is a TypeError naming what it was for, an integer the C++ side cannot hold is vandrel.Error 6
// (overflow), and everything else is left to the control's own checks.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vandrel/error.h"
#include "vandrel/info_field.h"
#include "vandrel/layout_entry.h"

namespace vandrel::python {

namespace py = pybind11;

// A str, as UTF-8.
std::string Text(py::handle value, const char* what);
// A str or an os.PathLike naming a file or folder.
std::string PathText(py::handle value, const char* what);
// An int (a bool is refused) from `min` to `max`.
std::int64_t Integer(py::handle value, const char* what, std::int64_t min, std::int64_t max);
std::int16_t Int16(py::handle value, const char* what);
std::int32_t Int32(py::handle value, const char* what);
// A bool.
bool Flag(py::handle value, const char* what);
// One InfoField cell: a str as it is, an int in decimal, a bool as C++ converts one (1 or 0),
// None as the empty text.
std::string Cell(py::handle value, const char* what);

// InfoField rows: a sequence of rows, each a tuple or list of cells in attribute order
// (trailing attributes may be left out) or a dict keyed by the attributes' names.
std::vector<std::vector<std::string>> Rows(py::handle value);
// The rows back, each a tuple of the 8 attributes.
py::list RowsToPython(const std::vector<InfoFieldRow>& rows);

// "delimited" or "fixed"; anything else is a ValueError.
specs::SpecKind Kind(py::handle value);
const char* KindName(specs::SpecKind kind);

// The exception types the module raises: vandrel.Error, made once when the module is loaded.
void SetErrorType(py::object type);
// A vandrel::Error as the Python exception, set as the current one.
void SetPythonError(const Error& error);
// The Python exception object of a vandrel::Error.
py::object PythonError(const Error& error);

// Runs `work` without the GIL: file and database work, and the wizard's modal loop.
template <typename Work>
auto Released(Work&& work) {
  const py::gil_scoped_release released;
  return work();
}

}  // namespace vandrel::python
