#include "vandrel/host_hooks.h"

namespace vandrel {

HostHooks& hostHooks() {
  static HostHooks hooks;
  return hooks;
}

}  // namespace vandrel
