#include "vandrel/app_folder.h"

#include <filesystem>
#include <system_error>

#include "control/settings.h"

namespace vandrel {

std::string ApplicationFolder() {
  if (!settings().ApplicationFolder.empty()) return settings().ApplicationFolder;
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec).string();
  return exe.parent_path().string();
}

void SetApplicationFolder(std::string folder) {
  settings().ApplicationFolder = std::move(folder);
}

}  // namespace vandrel
