#include "control/settings.h"

namespace vandrel {

Settings& settings() {
  static Settings block;
  return block;
}

}  // namespace vandrel
