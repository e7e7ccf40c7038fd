// The engine's side of ImportStats: the running counts and the progress handler.
#pragma once

#include "vandrel/import_stats.h"

namespace vandrel {

ImportStats& MutableImportStats();
void ResetImportStats();
void ReportImportProgress();

}  // namespace vandrel
