#include "vandrel/catalogue.h"

#include <array>
#include <charconv>
#include <limits>
#include <map>

#include "vandrel/error.h"

namespace vandrel {
namespace i18n {
extern const std::string_view kCatalogueTsv;
}

namespace {

constexpr int kLanguages = 5;

// The table as read from the embedded TSV: a header line, then one line per offset with the
// Italian, English, French, German and Spanish texts separated by tabs.
using Table = std::array<std::map<int, std::string>, kLanguages>;

const Table& Catalogue() {
  static const Table table = [] {
    Table t;
    std::string_view rest = i18n::kCatalogueTsv;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      std::string_view line = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
      if (line.empty() || line.front() == '#') continue;
      std::array<std::string_view, kLanguages + 1> cells;
      std::size_t n = 0;
      while (n < cells.size()) {
        const std::size_t tab = line.find('\t');
        cells[n++] = line.substr(0, tab);
        if (tab == std::string_view::npos) break;
        line = line.substr(tab + 1);
      }
      int offset = -1;
      std::from_chars(cells[0].data(), cells[0].data() + cells[0].size(), offset);
      if (n != cells.size() || offset < 0) continue;  // the build's tests catch a bad table
      for (int l = 0; l < kLanguages; ++l) {
        t[static_cast<std::size_t>(l)].emplace(offset,
                                               std::string(cells[static_cast<std::size_t>(l) + 1]));
      }
    }
    return t;
  }();
  return table;
}

}  // namespace

std::string LoadResString(std::int32_t identifier) {
  if (identifier < std::numeric_limits<std::int16_t>::min() ||
      identifier > std::numeric_limits<std::int16_t>::max()) {
    throw Error(kErrOverflow);
  }
  const int language = identifier / 1000;
  const int offset = identifier % 1000;
  if (language >= 1 && language <= kLanguages && offset >= 0) {
    const auto& texts = Catalogue()[static_cast<std::size_t>(language - 1)];
    if (auto it = texts.find(offset); it != texts.end()) return it->second;
  }
  throw Error(kErrResourceNotFound,
              "Resource with identifier '" + std::to_string(identifier) + "' not found");
}

bool IsToken(std::string_view text, int offset) {
  for (const auto& texts : Catalogue()) {
    if (auto it = texts.find(offset); it != texts.end() && it->second == text) return true;
  }
  return false;
}

std::string LocaliseToken(const std::string& text, int language) {
  if (language < 1 || language > kLanguages) language = 2;
  for (int offset : {kTokenNone, kTokenSpace, kTokenTab}) {
    if (IsToken(text, offset)) return LoadResString(language * 1000 + offset);
  }
  return text;
}

std::vector<std::pair<int, std::string>> CatalogueEntries(int language) {
  if (language < 1 || language > kLanguages) return {};
  const auto& texts = Catalogue()[static_cast<std::size_t>(language - 1)];
  return {texts.begin(), texts.end()};
}

}  // namespace vandrel
