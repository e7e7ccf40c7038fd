#include "vandrel/app_folder.h"

#include <filesystem>
#include <system_error>

namespace vandrel {
namespace {
std::string& Chosen() {
  static std::string folder;
  return folder;
}
}  // namespace

std::string ApplicationFolder() {
  if (!Chosen().empty()) return Chosen();
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec).string();
  return exe.parent_path().string();
}

void SetApplicationFolder(std::string folder) {
  Chosen() = std::move(folder);
}

}  // namespace vandrel
