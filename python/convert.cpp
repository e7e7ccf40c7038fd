#include "convert.h"

#include <array>
#include <limits>

namespace vandrel::python {
namespace {

[[noreturn]] void WrongType(const char* what, const char* expected, py::handle value) {
  throw py::type_error(std::string(what) + " takes " + expected + ", not " +
                       std::string(py::str(py::type::handle_of(value).attr("__name__"))));
}

constexpr std::array<const char*, kNewColumnName + 1> kAttributes{
    "FieldName",     "ColumnName",       "Required",      "AllowNewName",
    "AllowConstant", "AssociatedColumn", "ConstantValue", "NewColumnName"};

std::vector<std::string> RowFromDict(const py::dict& row) {
  std::vector<std::string> cells;
  for (const auto& [key, value] : row) {
    const std::string name = Text(key, "an InfoField key");
    std::size_t y = 0;
    while (y < kAttributes.size() && name != kAttributes[y]) ++y;
    if (y == kAttributes.size()) throw py::type_error("InfoField has no attribute '" + name + "'");
    if (cells.size() <= y) cells.resize(y + 1);
    cells[y] = Cell(value, kAttributes[y]);
  }
  return cells;
}

// The Python exception type vandrel.Error; a reference kept for the life of the process.
PyObject* error_type = nullptr;

// A str's UTF-8; one holding lone surrogates raises Python's UnicodeEncodeError.
std::string Utf8(py::handle text) {
  Py_ssize_t size = 0;
  const char* bytes = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
  if (!bytes) throw py::error_already_set();
  return std::string(bytes, static_cast<std::size_t>(size));
}

}  // namespace

std::string Text(py::handle value, const char* what) {
  if (!py::isinstance<py::str>(value)) WrongType(what, "a str", value);
  return Utf8(value);
}

std::string PathText(py::handle value, const char* what) {
  if (py::isinstance<py::str>(value)) return Utf8(value);
  if (py::hasattr(value, "__fspath__")) {
    const py::object path = value.attr("__fspath__")();
    if (py::isinstance<py::str>(path)) return Utf8(path);
  }
  WrongType(what, "a str or a path", value);
}

std::int64_t Integer(py::handle value, const char* what, std::int64_t min, std::int64_t max) {
  if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value)) {
    WrongType(what, "an int", value);
  }
  int overflow = 0;
  const long long n = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (overflow != 0 || n < min || n > max) throw Error(kErrOverflow);
  return n;
}

std::int16_t Int16(py::handle value, const char* what) {
  return static_cast<std::int16_t>(Integer(value, what, std::numeric_limits<std::int16_t>::min(),
                                           std::numeric_limits<std::int16_t>::max()));
}

std::int32_t Int32(py::handle value, const char* what) {
  return static_cast<std::int32_t>(Integer(value, what, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max()));
}

bool Flag(py::handle value, const char* what) {
  if (!py::isinstance<py::bool_>(value)) WrongType(what, "a bool", value);
  return value.cast<bool>();
}

std::string Cell(py::handle value, const char* what) {
  if (value.is_none()) return {};
  if (py::isinstance<py::str>(value)) return Utf8(value);
  if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? "1" : "0";
  if (py::isinstance<py::int_>(value)) {
    return std::to_string(Integer(value, what, std::numeric_limits<std::int64_t>::min(),
                                  std::numeric_limits<std::int64_t>::max()));
  }
  WrongType(what, "a str, an int, a bool or None", value);
}

std::vector<std::vector<std::string>> Rows(py::handle value) {
  if (py::isinstance<py::str>(value) || !py::isinstance<py::sequence>(value)) {
    WrongType("InfoField", "a list of rows", value);
  }
  std::vector<std::vector<std::string>> rows;
  for (const py::handle row : value) {
    if (py::isinstance<py::dict>(row)) {
      rows.push_back(RowFromDict(row.cast<py::dict>()));
    } else if (py::isinstance<py::tuple>(row) || py::isinstance<py::list>(row)) {
      auto& cells = rows.emplace_back();
      std::size_t y = 0;
      for (const py::handle cell : row) {
        cells.push_back(Cell(cell, y < kAttributes.size() ? kAttributes[y] : "InfoField"));
        ++y;
      }
    } else {
      WrongType("an InfoField row", "a tuple, a list or a dict", row);
    }
  }
  return rows;
}

py::list RowsToPython(const std::vector<InfoFieldRow>& rows) {
  py::list list;
  for (const InfoFieldRow& row : rows) {
    py::tuple cells(kAttributes.size());
    for (std::size_t y = 0; y < kAttributes.size(); ++y) cells[y] = py::str(row[y]);
    list.append(cells);
  }
  return list;
}

specs::SpecKind Kind(py::handle value) {
  const std::string kind = Text(value, "kind");
  if (kind == "delimited") return specs::SpecKind::Delimited;
  if (kind == "fixed") return specs::SpecKind::Fixed;
  throw py::value_error("kind is 'delimited' or 'fixed', not '" + kind + "'");
}

const char* KindName(specs::SpecKind kind) {
  return kind == specs::SpecKind::Fixed ? "fixed" : "delimited";
}

void SetErrorType(py::object type) {
  error_type = type.release().ptr();
}

py::object PythonError(const Error& error) {
  return py::reinterpret_borrow<py::object>(error_type)(error.number(), error.description(),
                                                        error.source());
}

void SetPythonError(const Error& error) {
  const py::object exception = PythonError(error);
  PyErr_SetObject(error_type, exception.ptr());
}

}  // namespace vandrel::python
