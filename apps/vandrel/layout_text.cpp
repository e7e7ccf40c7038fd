#include "layout_text.h"

#include "vandrel/catalogue.h"

namespace vandrel::cli {

std::string LayoutText(const std::string& given, int language) {
  for (int offset : {kTokenNone, kTokenSpace, kTokenTab}) {
    for (int base = 1000; base <= 5000; base += 1000) {
      if (given == LoadResString(base + offset)) return LoadResString(language * 1000 + offset);
    }
  }
  return given;
}

}  // namespace vandrel::cli
