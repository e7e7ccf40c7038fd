// The hourglass over a silent import: shown through the host's mouse-pointer hook for the
// object's lifetime, the default pointer put back on every way out.
#pragma once

#include "vandrel/host_hooks.h"

namespace vandrel {

class HourglassPointer {
 public:
  HourglassPointer() { Show(vbHourglass); }
  ~HourglassPointer() { Show(vbDefault); }
  HourglassPointer(const HourglassPointer&) = delete;
  HourglassPointer& operator=(const HourglassPointer&) = delete;

 private:
  static void Show(MousePointer pointer) {
    if (const auto& show = hostHooks().mousePointer) show(pointer);
  }
};

}  // namespace vandrel
