// One row of the InfoField matrix: how one column of the target table is filled. The control
// keeps the rows in its settings; an import takes a copy of them as its field plan.
#pragma once

#include <array>
#include <string>

namespace vandrel {

// FieldName, ColumnName, Required, AllowNewName, AllowConstant, AssociatedColumn,
// ConstantValue, NewColumnName and a ninth cell read by nothing. Flags are the text "1".
using InfoFieldRow = std::array<std::string, 9>;

enum InfoFieldAttribute : int {
  kFieldName = 0,
  kColumnName = 1,
  kRequired = 2,
  kAllowNewName = 3,
  kAllowConstant = 4,
  kAssociatedColumn = 5,
  kConstantValue = 6,
  kNewColumnName = 7,
};

}  // namespace vandrel
