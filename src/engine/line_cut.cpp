#include "engine/line_cut.h"

#include <cstring>

#include "engine/cp1252.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"

namespace vandrel {
bool IsNoneToken(std::string_view text) {
  return IsToken(text, kTokenNone);
}

int CharacterCode(std::string_view text, int noneCode, const char* what) {
  if (text.empty()) {
    throw Error(kErrInvalidArgument,
                std::string("The layout's ") + what + " is empty: it names no character.");
  }
  if (IsToken(text, kTokenTab)) return '\t';
  if (IsToken(text, kTokenSpace)) return ' ';
  if (IsNoneToken(text)) return noneCode;
  // The first character, as the byte it is in a single-byte text file.
  std::size_t length = 1;
  const auto lead = static_cast<unsigned char>(text.front());
  if (lead >= 0xF0) {
    length = 4;
  } else if (lead >= 0xE0) {
    length = 3;
  } else if (lead >= 0xC0) {
    length = 2;
  }
  const std::string_view first = text.substr(0, length);
  const std::string byte = Utf8ToCp1252(first);
  if (byte.size() != 1 || (byte == "?" && first != "?")) {
    throw Error(kErrInvalidArgument, std::string("The layout's ") + what + " '" +
                                         std::string(text) +
                                         "' is not a character a single-byte text file can hold.");
  }
  return static_cast<unsigned char>(byte.front());
}

std::size_t CutDelimited(std::string_view line, int sepCode,
                         std::vector<std::string_view>& fields) {
  for (std::string_view& f : fields) f = {};
  std::size_t index = 0;
  std::size_t start = 0;
  const char sep = static_cast<char>(sepCode);
  const bool hasSep = sepCode >= 0;
  for (;;) {
    const void* hit = hasSep ? std::memchr(line.data() + start, sep, line.size() - start) : nullptr;
    const std::size_t stop =
        hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - line.data()) : line.size();
    if (stop > start) {
      if (index >= fields.size()) {
        // Count every field of the line for the message.
        std::size_t count = index + 1;
        for (std::size_t i = stop; i < line.size(); ++i) count += line[i] == sep;
        if (line.back() == sep) --count;
        return count;
      }
      fields[index] = line.substr(start, stop - start);
    }
    if (!hit) return 0;
    ++index;
    start = stop + 1;
  }
}

std::string_view CutFixedField(std::string_view line, int begin, int end, int sepCode,
                               int delimCode) {
  std::string_view value;
  const auto from = static_cast<std::size_t>(begin - 1);
  if (begin >= 1 && end >= begin && from < line.size()) {
    value = line.substr(from, static_cast<std::size_t>(end - begin + 1));
  }
  auto trim = [&value] {
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  };
  trim();
  if (sepCode >= 0 && !value.empty() && static_cast<unsigned char>(value.back()) == sepCode) {
    value.remove_suffix(1);
    trim();  // the padding before the separator is not part of the value either
  }
  if (delimCode >= 0) {
    if (!value.empty() && static_cast<unsigned char>(value.back()) == delimCode)
      value.remove_suffix(1);
    if (!value.empty() && static_cast<unsigned char>(value.front()) == delimCode)
      value.remove_prefix(1);
  }
  return value;
}

void CheckColumnRanges(const std::vector<ColumnRange>& ranges) {
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (ranges[i].begin < 1 || ranges[i].end < ranges[i].begin) {
      throw Error(kErrInvalidArgument,
                  "Field " + std::to_string(i + 1) + " of the layout runs from column " +
                      std::to_string(ranges[i].begin) + " to column " +
                      std::to_string(ranges[i].end) + ": not a range of columns.");
    }
  }
}

}  // namespace vandrel
