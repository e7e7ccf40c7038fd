// Header names matched with column names: letter case, accents, blanks, '_' and '-' do not
// count. The letters are those of the Latin-1 and Latin Extended-A blocks (every language the
// catalogue speaks, and the rest of Western and Central Europe) plus the Greek and Cyrillic
// capitals; a table of 192 letters does that without a Unicode library in the core.
#include <charconv>
#include <map>
#include <string_view>

#include "text/encoding.h"
#include "vandrel/guess.h"

namespace vandrel {
namespace {

// The base letters of U+00C0..U+017F, one per code point. Digits stand for two letters
// (kPairs), '*' for a character kept as it is (the multiplication and division signs).
constexpr std::string_view kBaseLetters =
    "aaaaaa0ceeeeiiiidnooooo*ouuuuy12"  // U+00C0..U+00DF
    "aaaaaa0ceeeeiiiidnooooo*ouuuuy1y"  // U+00E0..U+00FF
    "aaaaaacccccccc"                    // U+0100..U+010D
    "ddddeeeeeeeeeegggggggghhhh"        // U+010E..U+0127
    "iiiiiiiiii33jjkkk"                 // U+0128..U+0138
    "llllllllllnnnnnnnnnoooooo44"       // U+0139..U+0153
    "rrrrrrssssssssttttttuuuuuuuuuuuu"  // U+0154..U+0173
    "wwyyyzzzzzzs";                     // U+0174..U+017F
static_assert(kBaseLetters.size() == 0x180 - 0xC0);
constexpr std::string_view kPairs[] = {"ae", "th", "ss", "ij", "oe"};

bool Ignored(char32_t c) {
  return c == ' ' || c == '_' || c == '-' || (c >= U'\t' && c <= U'\r') || c == 0xA0 ||
         (c >= 0x2000 && c <= 0x200B) || c == 0x202F || c == 0x205F || c == 0x3000 ||
         (c >= 0x0300 && c <= 0x036F);  // combining accents of decomposed letters
}

void AppendFolded(char32_t c, std::string& key) {
  if (c >= U'A' && c <= U'Z') {
    key += static_cast<char>(c + 32);
  } else if (c < 0xC0 || c >= 0x180) {
    if ((c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F)) c += 0x20;  // Greek, Cyrillic
    if (c >= 0x400 && c <= 0x40F) c += 0x50;
    key += EncodeUtf8(c);
  } else {
    const char base = kBaseLetters[c - 0xC0];
    if (base == '*') {
      key += EncodeUtf8(c);
    } else if (base >= '0' && base <= '4') {
      key += kPairs[base - '0'];
    } else {
      key += base;
    }
  }
}

// The code point of the UTF-8 sequence at text[i], moving i past it; a byte that begins no
// valid sequence stands for itself.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (length == 1 || i + length > text.size() || !IsValidUtf8(text.substr(i, length))) {
    ++i;
    return lead;
  }
  char32_t c = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (text[i + k] & 0x3F);
  i += length;
  return c;
}

}  // namespace

std::string MatchKey(std::string_view name) {
  std::string key;
  for (std::size_t i = 0; i < name.size();) {
    const char32_t c = NextCodePoint(name, i);
    if (!Ignored(c)) AppendFolded(c, key);
  }
  return key;
}

HeaderMapping MapByName(const std::vector<std::string>& header,
                        const std::vector<std::string>& columns) {
  std::vector<std::string> columnKeys;
  std::map<std::string, int> columnOfKey;  // the first column of each key
  for (std::size_t c = 0; c < columns.size(); ++c) {
    columnKeys.push_back(MatchKey(columns[c]));
    columnOfKey.emplace(columnKeys.back(), static_cast<int>(c));
  }
  HeaderMapping mapping;
  mapping.fieldOfColumn.assign(columns.size(), -1);
  std::map<std::string, int> fieldOfKey;
  for (std::size_t f = 0; f < header.size(); ++f) {
    const std::string key = MatchKey(header[f]);
    const auto column = key.empty() ? columnOfKey.end() : columnOfKey.find(key);
    if (column == columnOfKey.end()) {
      mapping.unmatched.push_back(header[f]);
      continue;
    }
    const auto [seen, first] = fieldOfKey.emplace(key, static_cast<int>(f));
    if (!first) {
      if (!mapping.duplicate) {
        mapping.duplicate = {header[static_cast<std::size_t>(seen->second)], header[f],
                             columns[static_cast<std::size_t>(column->second)]};
      }
      continue;
    }
    // Columns whose names differ only in what the key leaves out all take the field.
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (columnKeys[c] == key) mapping.fieldOfColumn[c] = static_cast<int>(f);
    }
  }
  return mapping;
}

HeaderAssociation AssociateRowsByHeader(std::vector<InfoFieldRow>& rows,
                                        const std::vector<std::string>& header) {
  std::vector<std::string> keys;
  for (const std::string& name : header) keys.push_back(MatchKey(name));
  // The header fields some row takes already, and those this call gives a row.
  std::vector<bool> taken(header.size(), false);
  for (const InfoFieldRow& row : rows) {
    std::size_t field = 0;
    const std::string& associated = row[kAssociatedColumn];
    const auto [end, ec] =
        std::from_chars(associated.data(), associated.data() + associated.size(), field);
    if (ec == std::errc() && end == associated.data() + associated.size() && field < taken.size())
      taken[field] = true;
  }
  HeaderAssociation result;
  for (InfoFieldRow& row : rows) {
    if (!row[kAssociatedColumn].empty()) continue;
    const std::string column = MatchKey(row[kColumnName]);
    const std::string field = MatchKey(row[kFieldName]);
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (keys[k].empty() || (keys[k] != column && keys[k] != field)) continue;
      row[kAssociatedColumn] = std::to_string(k);
      if (!taken[k]) result.matched.push_back(header[k]);
      taken[k] = true;
      break;
    }
  }
  for (std::size_t k = 0; k < header.size(); ++k) {
    if (!taken[k]) result.unmatched.push_back(header[k]);
  }
  return result;
}

}  // namespace vandrel
