// How a silent import run from Python reports and stops. For the time of one import:
//
// - ProgressRelay hands the host hook `bytesRead` (called on the thread that reads the file,
//   every few hundred records) to a Python callable f(done, total), at most four times a second
//   and once more at the end with the last counts, holding the GIL for each call. An exception
//   the callable raises asks the import to stop (as VandrelCtl::Cancel does) and is raised
//   again to the caller once the import has returned.
// - InterruptCancels makes Ctrl-C (SIGINT) stop the import before its next line when it runs
//   on Python's main thread under Python's own handler, which could not act until the import
//   returned; the caller then gets KeyboardInterrupt.
//
// Both put back what they replaced. REQUIRES: one silent import at a time in the process, as
// the host hooks are the process's.
#pragma once

#include <pybind11/pybind11.h>

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

#include "vandrel/host_hooks.h"

namespace vandrel::python {

namespace py = pybind11;

class ProgressRelay {
 public:
  // `callback` is a callable or None (no reports). Constructed and destroyed holding the GIL.
  explicit ProgressRelay(py::object callback);
  ~ProgressRelay();
  ProgressRelay(const ProgressRelay&) = delete;
  ProgressRelay& operator=(const ProgressRelay&) = delete;

  // After the import has returned, holding the GIL: the last counts when they were not yet
  // reported; raises what the callable raised.
  void Finish();

 private:
  void OnBytesRead(std::int64_t read, std::int64_t size);
  void Report(std::int64_t read, std::int64_t size);

  py::object callback_;
  std::function<void(std::int64_t, std::int64_t)> previous_;
  std::mutex mutex_;  // the members below; the reading thread and Finish
  std::chrono::steady_clock::time_point lastReport_;
  std::int64_t read_ = 0, size_ = 0;
  bool unreported_ = false;
  std::optional<py::error_already_set> raised_;
};

class InterruptCancels {
 public:
  InterruptCancels();  // holding the GIL
  ~InterruptCancels();
  InterruptCancels(const InterruptCancels&) = delete;
  InterruptCancels& operator=(const InterruptCancels&) = delete;
  // Raises KeyboardInterrupt when Ctrl-C came during the import. Holding the GIL.
  void Finish() const;

 private:
  bool installed_ = false;
  struct sigaction previous_ {};
};

}  // namespace vandrel::python
