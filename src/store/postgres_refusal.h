// What the server says when it refuses a row of a COPY: the error, whether it is the row's own
// (a key, a constraint, a value) or the statement's (a lock, a lost link), the line of the
// COPY stream it stopped at, and the column it refused.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "store/postgres_link.h"
#include "vandrel/error.h"
#include "vandrel/store.h"

namespace vandrel::store {

struct Refusal {
  Error error{kErrStoreOther, ""};
  bool rowOwn = false;
  // The line of the COPY stream, from 1; 0 when the server did not say (a foreign key, which
  // is checked once the whole COPY is in, names no line).
  std::int64_t line = 0;
  std::string column;      // the column the server names, "" when none
  std::string constraint;  // the constraint it names, with its table
  std::string schema, table;
};

// The refusal a failed COPY `failed` stands for (null: the link broke). `relation` is the
// name the server gives the table in a COPY's context (its own name, unqualified).
Refusal RefusalOf(const Link& link, const PGresult* failed, std::string_view relation);

// The columns of the constraints the server names in its refusals, looked up once each.
class ConstraintColumns {
 public:
  // The columns of the refusal's constraint, as "a" or "a, b"; "" when it names none.
  const std::string& Of(Link& link, const Refusal& refusal);

 private:
  std::map<std::string, std::string> known_;
};

}  // namespace vandrel::store
