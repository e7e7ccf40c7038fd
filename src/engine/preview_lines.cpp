#include "engine/preview_lines.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "vandrel/error.h"

namespace vandrel {

std::vector<std::string> ReadPreviewLines(const std::string& path, std::size_t maxLines,
                                          std::int64_t skip, std::size_t maxBytes) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    const int error = errno;
    throw Error(error == ENOENT ? kErrFileNotFound : kErrPathFileAccess,
                "The text file '" + path + "' cannot be opened: " + std::strerror(error) + ".");
  }
  std::vector<std::string> lines;
  std::string line;
  bool afterCr = false;  // an LF right after a CR belongs to the same line end
  std::size_t bytes = 0;
  int c;
  while (lines.size() < maxLines && bytes < maxBytes && (c = std::fgetc(file.get())) != EOF) {
    ++bytes;
    if (afterCr && c == '\n') {
      afterCr = false;
      continue;
    }
    afterCr = c == '\r';
    if (c == '\r' || c == '\n') {
      if (skip > 0) {
        --skip;
      } else {
        lines.push_back(std::move(line));
      }
      line.clear();
    } else if (skip <= 0) {
      line += static_cast<char>(c);
    }
  }
  if (std::ferror(file.get())) {
    throw Error(kErrPathFileAccess, "The text file '" + path + "' cannot be read.");
  }
  if (!line.empty() && lines.size() < maxLines) lines.push_back(std::move(line));
  return lines;
}

}  // namespace vandrel
