// The Python class vandrel.Control and vandrel.ImportStats (control.cpp).
#pragma once

#include <pybind11/pybind11.h>

namespace vandrel::python {

void BindControl(pybind11::module_& m);

}  // namespace vandrel::python
