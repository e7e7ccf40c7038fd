#include "vandrel/mouse_pointer.h"

#include <utility>

namespace vandrel {
namespace {
std::function<void(MousePointer)>& Handler() {
  static std::function<void(MousePointer)> handler;
  return handler;
}
}  // namespace

void SetMousePointerHandler(std::function<void(MousePointer)> handler) {
  Handler() = std::move(handler);
}

void SetMousePointer(MousePointer pointer) {
  if (Handler()) Handler()(pointer);
}

}  // namespace vandrel
