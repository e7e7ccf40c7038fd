#include "vandrel/property_bag.h"

#include <ini.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <limits>
#include <string_view>
#include <vector>

#include "util/ascii.h"
#include "util/file.h"
#include "vandrel/error.h"

namespace vandrel {
namespace {

using ascii::EqualsNoCase;
using ascii::Lower;

bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == ';' || c == '#' || c == '"' || c == '\\';
}

std::string EscapeValue(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    const bool edgeBlank = c == ' ' && (i == 0 || i + 1 == value.size());
    if (NeedsEscape(c) || edgeBlank) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string UnescapeValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 3 < value.size() && value[i + 1] == 'x' &&
        HexDigit(value[i + 2]) >= 0 && HexDigit(value[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(value[i + 2]) * 16 + HexDigit(value[i + 3]));
      i += 3;
    } else {
      out += value[i];
    }
  }
  return out;
}

// inih's behaviour is set through process-wide switches; these are set for one parse and put
// back, so that a host using the same library keeps its own settings. The longest line inih
// takes is the file's own longest line: whatever Save wrote, Load reads back.
class ParserSettings {
 public:
  explicit ParserSettings(int maxLine)
      : multiline_(ini_allow_multiline),
        inline_(ini_allow_inline_comments),
        stack_(ini_use_stack),
        realloc_(ini_allow_realloc),
        maxLine_(ini_max_line) {
    ini_allow_multiline = false;
    ini_allow_inline_comments = false;
    ini_use_stack = false;
    ini_allow_realloc = true;
    ini_max_line = maxLine;
  }
  ~ParserSettings() {
    ini_allow_multiline = multiline_;
    ini_allow_inline_comments = inline_;
    ini_use_stack = stack_;
    ini_allow_realloc = realloc_;
    ini_max_line = maxLine_;
  }
  ParserSettings(const ParserSettings&) = delete;
  ParserSettings& operator=(const ParserSettings&) = delete;

 private:
  bool multiline_, inline_, stack_, realloc_;
  int maxLine_;
};

struct Entry {
  std::string section, name, value;
};

// The bytes of the longest line, its line end included.
std::size_t LongestLine(std::string_view text) {
  std::size_t longest = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
    longest = std::max(longest, length);
    text.remove_prefix(length);
  }
  return longest;
}

// What the parse hands back through inih's C callback. Nothing may be thrown through C code,
// so a failure inside the callback is kept here and thrown once the parse is over.
struct ParseState {
  std::vector<Entry> entries;
  std::exception_ptr failure;
};

// All entries of an INI file in file order; a missing file has none.
std::vector<Entry> ParseIni(const std::string& path) {
  std::string text;
  try {
    File file(path, File::Mode::Read);
    text = file.ReadAll();
  } catch (const Error& e) {
    if (e.number() == kErrFileNotFound && ::access(path.c_str(), F_OK) != 0) return {};
    throw;
  }
  // Room for the line end and the terminating zero inih adds to the longest line.
  const std::size_t longest = LongestLine(text) + 2;
  if (longest > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    throw Error(kErrPathFileAccess,
                "The properties file '" + path + "' cannot be read: a line is too long.");
  }
  ParserSettings settings(std::max(static_cast<int>(longest), 200));
  ParseState state;
  auto handler = [](void* user, const char* section, const char* name, const char* value) {
    auto* parse = static_cast<ParseState*>(user);
    if (parse->failure) return 0;
    try {
      parse->entries.push_back({section, name, value ? value : ""});
      return 1;
    } catch (...) {
      parse->failure = std::current_exception();
      return 0;
    }
  };
  const int result = ini_parse_string(text.c_str(), handler, &state);
  if (state.failure) std::rethrow_exception(state.failure);
  if (result != 0) {
    throw Error(kErrPathFileAccess, "The properties file '" + path + "' cannot be read (line " +
                                        std::to_string(result) + ").");
  }
  return std::move(state.entries);
}

}  // namespace

using ascii::EqualsNoCase;

std::optional<std::string> MemoryPropertyBag::ReadProperty(std::string_view name) const {
  for (const auto& [key, value] : entries_) {
    if (EqualsNoCase(key, name)) return value;
  }
  return std::nullopt;
}

void MemoryPropertyBag::WriteProperty(std::string_view name, std::string_view value) {
  for (auto& [key, stored] : entries_) {
    if (EqualsNoCase(key, name)) {
      stored.assign(value);
      return;
    }
  }
  entries_.emplace_back(std::string(name), std::string(value));
}

void IniPropertyBag::Load(const std::string& path) {
  const std::vector<Entry> entries = ParseIni(path);
  *this = IniPropertyBag(section_);
  for (const Entry& e : entries) {
    if (EqualsNoCase(e.section, section_)) {
      WriteProperty(e.name, UnescapeValue(e.value));
    }
  }
}

void IniPropertyBag::Save(const std::string& path) const {
  std::vector<Entry> others;
  for (Entry& e : ParseIni(path)) {
    if (!EqualsNoCase(e.section, section_)) others.push_back(std::move(e));
  }
  const std::string temporary = path + ".tmp";
  std::string out;
  std::string current;
  bool first = true;
  for (const Entry& e : others) {
    if (first || e.section != current) {
      out += (first ? "[" : "\n[") + e.section + "]\n";
      current = e.section;
      first = false;
    }
    out += e.name + '=' + e.value + '\n';  // already in the file's own form
  }
  out += (first ? "[" : "\n[") + section_ + "]\n";
  for (const auto& [name, value] : entries()) out += name + '=' + EscapeValue(value) + '\n';
  try {
    File file(temporary, File::Mode::CreateTruncate);
    file.WriteAt(0, out.data(), out.size());
    file.Close();
  } catch (const Error&) {
    std::remove(temporary.c_str());
    throw Error(kErrPathFileAccess, "The properties file '" + path + "' cannot be written.");
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw Error(kErrPathFileAccess, "The properties file '" + path + "' cannot be written.");
  }
}

}  // namespace vandrel
