# Whether to build the Python module, and for which Python. Debian's /usr/bin/python3 is named
# explicitly, since another python3 (a pyenv shim, say) may come first on PATH and would not
# have Debian's pybind11 and PyQt6. The module is on by default where that Python's development
# files and pybind11 are found, except with the sanitizers: a module built with them only loads
# into an interpreter started with their runtime preloaded, which is not how anyone runs Python.
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python the module is built for")
endif()
find_package(Python3 COMPONENTS Interpreter Development.Module QUIET)
if(Python3_FOUND)
  find_package(pybind11 CONFIG QUIET)
endif()
set(VANDREL_PYTHON_FOUND OFF)
if(Python3_FOUND AND pybind11_FOUND)
  set(VANDREL_PYTHON_FOUND ON)
endif()
set(vandrel_python_default ${VANDREL_PYTHON_FOUND})
if(VANDREL_SANITIZE OR VANDREL_BUILD_FUZZERS)
  set(vandrel_python_default OFF)
endif()
option(VANDREL_BUILD_PYTHON "Build the Python module (pybind11)" ${vandrel_python_default})
if(VANDREL_BUILD_PYTHON AND NOT VANDREL_PYTHON_FOUND)
  message(FATAL_ERROR "VANDREL_BUILD_PYTHON needs ${Python3_EXECUTABLE} with its development "
                      "files (python3-dev) and pybind11 (pybind11-dev)")
endif()

# Where `cmake --install` puts the module, under the prefix: the interpreter's own layout for it
# (lib/python3/dist-packages for Debian's /usr, lib/python3.X/dist-packages for /usr/local and
# any other prefix on Debian, lib/python3.X/site-packages elsewhere).
if(VANDREL_BUILD_PYTHON AND NOT VANDREL_PYTHON_INSTALL_DIR)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} -c [[
import os, sys, sysconfig
prefix = sys.argv[1]
names = sysconfig.get_scheme_names()
if "deb_system" in names and prefix == "/usr":
    scheme, base = "deb_system", prefix
elif "posix_local" in names:
    scheme, base = "posix_local", "/usr"
    prefix = "/usr/local"
else:
    scheme, base = "posix_prefix", prefix
path = sysconfig.get_path("platlib", scheme, vars={"base": base, "platbase": base})
print(os.path.relpath(path, prefix), end="")
]] ${CMAKE_INSTALL_PREFIX}
    OUTPUT_VARIABLE vandrel_python_dir RESULT_VARIABLE vandrel_python_status)
  if(NOT vandrel_python_status EQUAL 0)
    message(FATAL_ERROR "cannot ask ${Python3_EXECUTABLE} where modules go")
  endif()
  set(VANDREL_PYTHON_INSTALL_DIR ${vandrel_python_dir} CACHE STRING
      "Where the Python module is installed, relative to the prefix")
endif()
