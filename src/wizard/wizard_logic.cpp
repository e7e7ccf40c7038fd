#include "wizard/wizard_logic.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vandrel::wizard {
namespace {

constexpr std::size_t kMaxFields = specs::kFixedEntries;

// Without blanks (space and tab) at either end.
std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<int> WholeNumber(std::string_view text) {
  text = TrimBlanks(text);
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::int16_t> LinesToSkip(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  const double rounded = std::nearbyint(value);  // halves to even
  if (rounded < 0 || rounded > std::numeric_limits<std::int16_t>::max()) return std::nullopt;
  return static_cast<std::int16_t>(rounded);
}

Limits ReadLimits(const std::vector<LimitTexts>& rows) {
  Limits limits;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (TrimBlanks(rows[r].begin).empty()) break;
    const std::optional<int> begin = WholeNumber(rows[r].begin);
    const std::optional<int> end = WholeNumber(rows[r].end);
    const int row = static_cast<int>(r) + 1;
    if (!begin || !end || *begin > 32767 || *end > 32767) {
      limits.badRow = row;
      return limits;
    }
    if (*begin == 0) break;
    if (limits.columns.size() == kMaxFields) {
      limits.badRow = row;
      return limits;
    }
    if (*begin > *end) limits.reversed = true;
    limits.columns.push_back({*begin, *end});
  }
  return limits;
}

std::string Ruler(int width) {
  const int tens = width / 10;
  const int units = width % 10;
  std::string labels, digits;
  for (int i = 1; i <= tens + 1; ++i) {
    // Each label ends over the 0 of its block, three-digit ones too.
    const std::string label = std::to_string(i * 10);
    labels += std::string(10 - std::min<std::size_t>(label.size(), 10), ' ') + label;
    digits += "1234567890";
  }
  for (int j = 1; j <= units; ++j) digits += std::to_string(j);
  return labels + '\n' + digits + '\n';
}

long long LeadingNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  std::size_t i = 0;
  if (i < text.size() && text[i] == '+') text.remove_prefix(1);
  if (i < text.size() && text[i] == '-') ++i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  long long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + i, value);
  return ec == std::errc() ? value : 0;
}

int FieldRow(const std::vector<InfoFieldRow>& rows, std::string_view name) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i][kFieldName] == name) return static_cast<int>(i);
  }
  return -1;
}

int FirstUnassociatedRequired(const std::vector<InfoFieldRow>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i][kRequired] == "1" && rows[i][kAssociatedColumn].empty()) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

ImportRequest InteractiveRequest(const WizardRequest& wizard, const std::string& textFile,
                                 TextEncoding encoding, const store::ValueFormat& format,
                                 const std::vector<InfoFieldRow>& fields,
                                 std::size_t previewColumns, bool emptyTarget) {
  ImportRequest request = wizard.import;
  request.textFile = textFile;
  request.encoding = encoding;
  request.format = format;
  request.fields = fields;
  // One field per field row, and at least one per preview column and one more.
  request.lineFields = std::max(fields.size(), previewColumns + 1);
  request.emptyTarget = emptyTarget;
  request.emptyErrors = true;
  return request;
}

}  // namespace vandrel::wizard
