// The message catalogue: every caption and message of the wizard in five languages, looked
// up by identifier = language base (1000 times the language number) + offset.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vandrel {

// Catalogue offsets that are tokens rather than prose: compared as text by layout code.
enum CatalogueToken : int { kTokenNone = 10, kTokenSpace = 11, kTokenTab = 14 };

// Whether `text` is the token at `offset` in any of the five languages.
bool IsToken(std::string_view text, int offset);

// `text` as shown in language `language` (1..5; any other number shows English): a token of
// any language becomes that language's token; any other text is returned unchanged.
std::string LocaliseToken(const std::string& text, int language);

// The text of one identifier. The identifier must fit 16 bits (else error 6, overflow) and
// have a text (else error 326).
std::string LoadResString(std::int32_t identifier);

// Every entry of one language (1 Italian .. 5 Spanish) in offset order; empty for a language
// without texts.
std::vector<std::pair<int, std::string>> CatalogueEntries(int language);

}  // namespace vandrel
