#include "engine/preview_lines.h"

#include <algorithm>

#include "util/file.h"

namespace vandrel {

std::vector<std::string> ReadPreviewLines(const std::string& path, std::size_t maxLines,
                                          std::int64_t skip, std::size_t maxBytes) {
  File file(path, File::Mode::Read);
  std::vector<std::string> lines;
  std::string line;
  bool afterCr = false;  // an LF right after a CR belongs to the same line end
  std::size_t bytes = 0;
  char chunk[16 * 1024];
  std::size_t n = 0, at = 0;
  while (lines.size() < maxLines && bytes < maxBytes) {
    if (at == n) {
      n = file.Read(chunk, std::min(sizeof chunk, maxBytes - bytes));
      at = 0;
      if (n == 0) break;
    }
    const char c = chunk[at++];
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
      line += c;
    }
  }
  if (!line.empty() && lines.size() < maxLines) lines.push_back(std::move(line));
  return lines;
}

}  // namespace vandrel
