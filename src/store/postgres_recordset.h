// The PostgreSQL store's recordset: a table opened for appending rows, which it streams
// to the server with COPY.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/column_type.h"
#include "store/postgres_link.h"
#include "vandrel/store.h"

namespace vandrel::store {

using PostgresColumn = TableColumn;

// `quoted` is the table's schema-qualified name, quoted; `table` the name the host gave.
std::unique_ptr<Recordset> OpenPostgresRecordset(std::shared_ptr<Link> link, std::string table,
                                                 std::string quoted,
                                                 std::vector<PostgresColumn> columns);

}  // namespace vandrel::store
