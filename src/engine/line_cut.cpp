#include "engine/line_cut.h"

#include <algorithm>
#include <cstring>

#include "text/cp1252.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"

namespace vandrel {
namespace {

// The byte a layout character is in a single-byte (Windows-1252) text file.
char FileByte(char32_t c) {
  const std::optional<unsigned char> byte = Cp1252Byte(c);
  return static_cast<char>(byte.value_or(0));
}

std::string_view TrimSpaces(std::string_view value) {
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  return value;
}

}  // namespace

bool IsNoneToken(std::string_view text) {
  return IsToken(text, kTokenNone);
}

std::optional<char32_t> LayoutCharacter(std::string_view text, const char* what) {
  if (text.empty()) {
    throw Error(kErrInvalidArgument,
                std::string("The layout's ") + what + " is empty: it names no character.");
  }
  if (IsToken(text, kTokenTab)) return U'\t';
  if (IsToken(text, kTokenSpace)) return U' ';
  if (IsNoneToken(text)) return std::nullopt;
  const std::optional<char32_t> first = FirstCodePoint(text);
  if (!first || !Cp1252Byte(*first)) {
    throw Error(kErrInvalidArgument, std::string("The layout's ") + what + " '" +
                                         std::string(text) +
                                         "' is not a character a single-byte text file can hold.");
  }
  return first;
}

DelimitedCutter::DelimitedCutter(const DelimitedLayout& layout)
    : separator_(FileByte(layout.separator)),
      delimiter_(layout.delimiter ? FileByte(*layout.delimiter) : '\0') {}

void DelimitedCutter::Cut(std::string_view line, std::vector<std::string_view>& fields) {
  if (!line.empty() && std::memchr(line.data(), delimiter_, line.size())) {
    scratch_.assign(line);
    scratch_.erase(std::remove(scratch_.begin(), scratch_.end(), delimiter_), scratch_.end());
    line = scratch_;
  }
  fields.clear();
  std::size_t start = 0;
  while (start < line.size()) {
    const void* hit = std::memchr(line.data() + start, separator_, line.size() - start);
    const std::size_t stop =
        hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - line.data()) : line.size();
    fields.push_back(line.substr(start, stop - start));
    start = stop + 1;
  }
}

FixedCutter::FixedCutter(const FixedLayout& layout)
    : columns_(layout.columns),
      separator_(layout.separator ? static_cast<unsigned char>(FileByte(*layout.separator)) : -1),
      delimiter_(layout.delimiter ? static_cast<unsigned char>(FileByte(*layout.delimiter)) : -1) {}

void FixedCutter::Cut(std::string_view line, std::vector<std::string_view>& fields) const {
  fields.resize(columns_.size());
  for (std::size_t j = 0; j < columns_.size(); ++j) {
    const ColumnRange& r = columns_[j];
    std::string_view value;
    const auto from = static_cast<std::size_t>(r.begin - 1);
    if (from < line.size())
      value = line.substr(from, static_cast<std::size_t>(r.end - r.begin + 1));
    value = TrimSpaces(value);
    if (separator_ >= 0 && !value.empty() &&
        static_cast<unsigned char>(value.back()) == separator_) {
      value.remove_suffix(1);
      value = TrimSpaces(value);  // the padding before the separator is not part of the value
    }
    if (delimiter_ >= 0) {
      if (!value.empty() && static_cast<unsigned char>(value.back()) == delimiter_) {
        value.remove_suffix(1);
      }
      if (!value.empty() && static_cast<unsigned char>(value.front()) == delimiter_) {
        value.remove_prefix(1);
      }
    }
    fields[j] = value;
  }
}

}  // namespace vandrel
