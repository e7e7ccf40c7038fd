#include "control/import_runs.h"

#include "control/hourglass.h"
#include "vandrel/vandrel_ctl.h"
#include "vandrel/app_folder.h"
#include "vandrel/host_hooks.h"

namespace vandrel {
namespace {

// The layout saved under the settings' name, of the settings' kind.
std::optional<TextLayout> SavedLayout(const Settings& s) {
  const std::string folder = ApplicationFolder();
  if (s.FileType == fFixedWidth) {
    if (auto record = CaricaSpecFisso(folder, s.SpecificationName)) return LayoutFrom(*record);
  } else if (auto record = CaricaSpecDelim(folder, s.SpecificationName)) {
    return LayoutFrom(*record);
  }
  return std::nullopt;
}

}  // namespace

std::optional<ImportOutcome> ImportaBackGround(const Settings& s) {
  HourglassPointer hourglass;
  // The layout and the field rows are checked before anything is opened.
  const std::optional<TextLayout> layout = SavedLayout(s);
  if (!layout) return std::nullopt;
  if (!s.InfoField) {
    throw Error(kErrSubscript,
                "Subscript out of range: NumField has not been assigned, so there "
                "are no InfoField rows.");
  }
  const ImportOutcome outcome = RunImport(RequestFromSettings(s), *layout);
  // A request that came in after the last line was read is used up too.
  hostHooks().cancel.store(false);
  return outcome;
}

std::optional<specs::DelimitedSpecRecord> CaricaSpecDelim(const std::string& folder,
                                                          const std::string& name) {
  specs::DelimitedSpecRecord record;
  if (name.empty() || !specs::FindDelimited(folder, name, record)) return std::nullopt;
  return record;
}

std::optional<specs::FixedSpecRecord> CaricaSpecFisso(const std::string& folder,
                                                      const std::string& name) {
  specs::FixedSpecRecord record;
  if (name.empty() || !specs::FindFixed(folder, name, record)) return std::nullopt;
  return record;
}

}  // namespace vandrel
