#include "store/connect_text.h"
#include "store/stores.h"

namespace vandrel::store {

std::unique_ptr<Database> OpenDatabase(const std::string& name, bool exclusive, bool readOnly,
                                       std::string_view connect) {
  // A server keeps other connections out by its own locks: `exclusive` is a file's notion.
  if (IsPostgresUri(name)) return OpenPostgresDatabase(name, readOnly, connect);
  return OpenSqliteDatabase(name, exclusive, readOnly, connect);
}

void CreateDatabaseFile(const std::string& name) {
  if (!IsPostgresUri(name)) CreateSqliteFile(name);
}

}  // namespace vandrel::store
