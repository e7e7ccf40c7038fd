#include "progress.h"

#include <atomic>
#include <utility>

#include "vandrel/vandrel_ctl.h"

namespace vandrel::python {
namespace {

constexpr std::chrono::milliseconds kReportEvery{250};

std::atomic<bool> interrupted{false};

void StopOnInterrupt(int) {
  interrupted.store(true);
  VandrelCtl::Cancel();
}

}  // namespace

ProgressRelay::ProgressRelay(py::object callback)
    : callback_(std::move(callback)), previous_(hostHooks().bytesRead) {
  // The first counts are reported at once; later ones a quarter of a second apart.
  lastReport_ = std::chrono::steady_clock::now() - kReportEvery;
  if (callback_.is_none()) return;
  hostHooks().bytesRead = [this](std::int64_t read, std::int64_t size) { OnBytesRead(read, size); };
}

ProgressRelay::~ProgressRelay() {
  hostHooks().bytesRead = std::move(previous_);
}

void ProgressRelay::OnBytesRead(std::int64_t read, std::int64_t size) {
  const std::lock_guard lock(mutex_);
  read_ = read;
  size_ = size;
  unreported_ = true;
  const auto now = std::chrono::steady_clock::now();
  if (raised_ || now - lastReport_ < kReportEvery) return;
  lastReport_ = now;
  unreported_ = false;
  const py::gil_scoped_acquire gil;
  Report(read, size);
}

// Holding the mutex and the GIL.
void ProgressRelay::Report(std::int64_t read, std::int64_t size) {
  try {
    callback_(read, size);
  } catch (py::error_already_set& e) {
    raised_ = std::move(e);
    VandrelCtl::Cancel();
  }
}

void ProgressRelay::Finish() {
  std::optional<py::error_already_set> raised;
  {
    const py::gil_scoped_release released;  // the reading thread may still wait for the GIL
    const std::lock_guard lock(mutex_);
    const py::gil_scoped_acquire gil;
    if (unreported_ && !raised_ && !callback_.is_none()) Report(read_, size_);
    unreported_ = false;
    raised = std::move(raised_);
    raised_.reset();
  }
  if (raised) throw std::move(*raised);
}

InterruptCancels::InterruptCancels() {
  // Only Python's own Ctrl-C handling is stood in for: a program that handles SIGINT itself
  // (or lets it end the process) keeps its way.
  const py::module_ threading = py::module_::import("threading");
  const py::module_ signals = py::module_::import("signal");
  if (!threading.attr("current_thread")().is(threading.attr("main_thread")()) ||
      !signals.attr("getsignal")(SIGINT).is(signals.attr("default_int_handler"))) {
    return;
  }
  interrupted.store(false);
  struct sigaction action {};
  action.sa_handler = StopOnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  installed_ = ::sigaction(SIGINT, &action, &previous_) == 0;
}

InterruptCancels::~InterruptCancels() {
  if (installed_) ::sigaction(SIGINT, &previous_, nullptr);
}

void InterruptCancels::Finish() const {
  if (installed_ && interrupted.exchange(false)) {
    PyErr_SetNone(PyExc_KeyboardInterrupt);
    throw py::error_already_set();
  }
}

}  // namespace vandrel::python
