// The PostgreSQL store's recordset: a table opened for appending rows. Values are converted
// and encoded for COPY as they are set (Convert may do it on another thread), and queued rows
// go to the server in batches (postgres_copy.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/column_type.h"
#include "store/postgres_link.h"
#include "vandrel/store.h"

namespace vandrel::store {

using PostgresColumn = TableColumn;

// A table as the catalogue describes it.
struct PostgresTable {
  std::string name;      // as the host gave it
  std::string quoted;    // schema-qualified, each part quoted
  std::string relation;  // the server's own name for it, as its messages write it
  std::vector<PostgresColumn> columns;
  // Per column: NOT NULL without a default, and no trigger that could fill it in, so a row
  // without a value for it is refused here.
  std::vector<char> required;
};

std::unique_ptr<Recordset> OpenPostgresRecordset(std::shared_ptr<Link> link, PostgresTable table);

}  // namespace vandrel::store
