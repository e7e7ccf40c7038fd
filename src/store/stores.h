// The store implementations behind OpenDatabase, each opened by its own factory.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "vandrel/store.h"

namespace vandrel::store {

std::unique_ptr<Database> OpenSqliteDatabase(const std::string& path, bool exclusive, bool readOnly,
                                             std::string_view connect);
// An empty database file at `path`, unless there is a file there already.
void CreateSqliteFile(const std::string& path);
std::unique_ptr<Database> OpenPostgresDatabase(const std::string& uri, bool readOnly,
                                               std::string_view connect);

}  // namespace vandrel::store
