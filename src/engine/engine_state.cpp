#include "engine/engine_state.h"

#include <utility>

#include "engine/import_progress.h"

namespace vandrel {

EngineState& engine() {
  static EngineState state;
  return state;
}

namespace {
std::function<void(const ImportStats&)>& ProgressHandler() {
  static std::function<void(const ImportStats&)> handler;
  return handler;
}
}  // namespace

ImportStats& MutableImportStats() {
  static ImportStats stats;
  return stats;
}

const ImportStats& LastImportStats() {
  return MutableImportStats();
}
void ResetImportStats() {
  MutableImportStats() = ImportStats{};
}

void SetImportProgressHandler(std::function<void(const ImportStats&)> handler) {
  ProgressHandler() = std::move(handler);
}

void ReportImportProgress() {
  if (ProgressHandler()) ProgressHandler()(MutableImportStats());
}

}  // namespace vandrel
