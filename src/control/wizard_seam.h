// How Action = 0 reaches the wizard. The core has no user interface of its own: the Qt
// library installs a handler that shows the wizard modally and returns when it is closed.
#pragma once

#include <functional>

namespace vandrel {

void SetWizardHandler(std::function<void()> handler);

}  // namespace vandrel
