// Reading a server store's connect string: `keyword=value` pairs separated by ';', where a
// value may be single-quoted as libpq quotes it ('it''s' is not libpq's way: inside quotes a
// backslash escapes the next character), so that it can hold ';' or blanks.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vandrel::store {

struct KeywordValue {
  std::string keyword;  // lower case
  std::string value;    // unquoted
};

// The pairs in order; empty pairs are skipped. Throws kErrBadConnect for a pair without '='
// or an unterminated quote.
std::vector<KeywordValue> ParseKeywordPairs(std::string_view connect);

// True when `name` selects the PostgreSQL store (a libpq connection URI).
bool IsPostgresUri(std::string_view name);

}  // namespace vandrel::store
