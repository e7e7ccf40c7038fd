// The application folder: where the saved-layout files live. By default the folder of the
// running executable; a host (or the command line's --specs-dir) can name another.
#pragma once

#include <string>

namespace vandrel {

std::string ApplicationFolder();
// An empty path returns to the default.
void SetApplicationFolder(std::string folder);

}  // namespace vandrel
