// The command line's way of writing layout characters: a character, or a token ({TAB},
// {SPACE}, {NONE}) in any language, stored in the language the user chose.
#pragma once

#include <string>

namespace vandrel::cli {

// The text to store for `given` in language `language` (1..5): a token of any language
// becomes that language's token; anything else is kept as given.
std::string LayoutText(const std::string& given, int language);

}  // namespace vandrel::cli
