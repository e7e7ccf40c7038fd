// The screen's mouse pointer, as the engine uses it: the hourglass while an import runs and
// the default pointer afterwards. The core only calls a handler; a user interface installs
// one that shows a real pointer (without one, nothing happens).
#pragma once

#include <functional>

namespace vandrel {

enum MousePointer : int { vbDefault = 0, vbHourglass = 11 };

void SetMousePointerHandler(std::function<void(MousePointer)> handler);
void SetMousePointer(MousePointer pointer);

// Shows the hourglass for its lifetime and puts the default pointer back on every way out.
class HourglassPointer {
 public:
  HourglassPointer() { SetMousePointer(vbHourglass); }
  ~HourglassPointer() { SetMousePointer(vbDefault); }
  HourglassPointer(const HourglassPointer&) = delete;
  HourglassPointer& operator=(const HourglassPointer&) = delete;
};

}  // namespace vandrel
