#include <nlohmann/json.hpp>

#include "text/encoding.h"
#include "vandrel/guess.h"

namespace vandrel {
namespace {

std::string CharacterShown(std::optional<char32_t> c) {
  return c ? EncodeUtf8(*c) : std::string();
}

const char* DatesName(store::DateOrder order) {
  return order == store::DateOrder::DMY ? "DMY" : order == store::DateOrder::MDY ? "MDY" : "YMD";
}

}  // namespace

std::string GuessJson(const LayoutGuess& guess) {
  nlohmann::ordered_json json;
  json["encoding"] = guess.encoding;
  json["type"] = guess.fixedWidth ? "fixed" : "delimited";
  json["separator"] = guess.fixedWidth ? "" : CharacterShown(guess.separator);
  json["delimiter"] = CharacterShown(guess.delimiter);
  json["skip"] = guess.skip;
  json["header"] = guess.header;
  json["decimal"] = std::string(1, guess.decimal);
  json["dates"] = DatesName(guess.dates);
  json["columns"] = nlohmann::json::array();
  for (const GuessedColumn& c : guess.columns) {
    nlohmann::ordered_json column{{"name", c.name}, {"type", c.type}};
    column["begin"] = guess.fixedWidth ? nlohmann::json(c.begin) : nlohmann::json(nullptr);
    column["end"] = guess.fixedWidth ? nlohmann::json(c.end) : nlohmann::json(nullptr);
    json["columns"].push_back(column);
  }
  return json.dump(2);
}

}  // namespace vandrel
