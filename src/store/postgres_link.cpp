#include "store/postgres_link.h"

#include <algorithm>
#include <iterator>

#include "vandrel/store.h"

namespace vandrel::store {

std::int32_t NumberForState(std::string_view state) {
  if (state == "23505") return kErrDuplicateKey;
  if (state == "23502") return kErrRequired;
  if (state == "23514") return kErrValidation;
  if (state == "23503") return kErrForeignKey;
  if (state == "22001") return kErrTooLong;
  if (state == "42703") return kErrNoColumn;
  if (state == "42P01") return kErrNoTable;
  if (state == "22P02" || state == "22003" || state == "22007" || state == "22008") {
    return kErrTypeConversion;
  }
  if (state == "28P01" || state == "28000") return kErrBadAccount;
  if (state.starts_with("08")) return kErrCannotConnect;
  if (state == "55P03" || state == "40P01") return kErrLocked;
  if (state == "25006") return kErrReadOnly;
  return kErrStoreOther;
}

bool IsRowFailure(std::string_view state) {
  static constexpr std::string_view kRowClasses[] = {"22", "23", "27", "2F", "38", "39", "44",
                                                     "P0"};
  return std::any_of(std::begin(kRowClasses), std::end(kRowClasses),
                     [&](std::string_view c) { return state.substr(0, 2) == c; });
}

}  // namespace vandrel::store
