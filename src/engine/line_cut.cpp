#include "engine/line_cut.h"

#include <algorithm>
#include <cstring>

#include "text/cp1252.h"
#include "text/encoding.h"
#include "vandrel/catalogue.h"
#include "vandrel/error.h"

namespace vandrel {
namespace {

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
  if (!first) {
    throw Error(kErrInvalidArgument,
                std::string("The layout's ") + what + " '" + std::string(text) + "' is not text.");
  }
  return first;
}

DelimitedCutter::DelimitedCutter(const DelimitedLayout& layout) : rule_(QuoteRuleOf(layout)) {}

void DelimitedCutter::Cut(std::string_view record, std::vector<std::string_view>& fields) {
  fields.clear();
  const std::string_view quote = rule_.delimiter;
  if (!quote.empty() && std::memchr(record.data(), quote.front(), record.size())) {
    CutQuoted(record, fields);
    return;
  }
  const std::string_view sep = rule_.separator;
  std::size_t start = 0;
  while (start < record.size()) {
    std::size_t stop;
    if (sep.size() == 1) {
      const void* hit = std::memchr(record.data() + start, sep.front(), record.size() - start);
      stop = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - record.data())
                 : record.size();
    } else {
      stop = std::min(record.find(sep, start), record.size());
    }
    fields.push_back(record.substr(start, stop - start));
    start = stop + sep.size();
  }
}

void DelimitedCutter::CutQuoted(std::string_view record, std::vector<std::string_view>& fields) {
  // A value never grows when its delimiters go, so the views into scratch_ stay put.
  scratch_.clear();
  scratch_.reserve(record.size());
  std::size_t from = 0;  // where the current field's value begins in scratch_
  QuoteRule::Scan scan;
  std::size_t length = 0;
  for (std::size_t i = 0; i < record.size(); i += length) {
    switch (rule_.Next(record.substr(i), scan, length)) {
      case QuoteRule::Step::Text:
        scratch_.append(record.substr(i, length));
        break;
      case QuoteRule::Step::Doubled:
        scratch_.append(rule_.delimiter);
        break;
      case QuoteRule::Step::Separator:
        fields.push_back(std::string_view(scratch_).substr(from));
        from = scratch_.size();
        break;
      case QuoteRule::Step::Open:
      case QuoteRule::Step::Close:
        break;
    }
  }
  // Nothing follows a final separator.
  if (!scan.fieldStart) fields.push_back(std::string_view(scratch_).substr(from));
}

FixedCutter::FixedCutter(const FixedLayout& layout)
    : columns_(layout.columns),
      separator_(layout.separator ? EncodeUtf8(*layout.separator) : ""),
      delimiter_(layout.delimiter ? EncodeUtf8(*layout.delimiter) : "") {}

void FixedCutter::Cut(std::string_view line, std::vector<std::string_view>& fields) const {
  fields.resize(columns_.size());
  const bool ascii = IsAscii(line);
  for (std::size_t j = 0; j < columns_.size(); ++j) {
    const ColumnRange& r = columns_[j];
    const auto first = static_cast<std::size_t>(r.begin - 1);
    const auto count = static_cast<std::size_t>(r.end - r.begin + 1);
    std::string_view value;
    if (ascii) {
      if (first < line.size()) value = line.substr(first, count);
    } else {
      const std::size_t from = CharacterOffset(line, first);
      const std::string_view rest = line.substr(from);
      value = rest.substr(0, CharacterOffset(rest, count));
    }
    value = TrimSpaces(value);
    if (!separator_.empty() && value.ends_with(separator_)) {
      value.remove_suffix(separator_.size());
      value = TrimSpaces(value);  // the padding before the separator is not part of the value
    }
    if (!delimiter_.empty()) {
      if (value.ends_with(delimiter_)) value.remove_suffix(delimiter_.size());
      if (value.starts_with(delimiter_)) value.remove_prefix(delimiter_.size());
    }
    fields[j] = value;
  }
}

}  // namespace vandrel
