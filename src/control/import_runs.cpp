#include "control/import_runs.h"

#include <utility>

#include "control/settings.h"
#include "vandrel/app_folder.h"
#include "vandrel/mouse_pointer.h"

namespace vandrel {
namespace {

struct LastImport {
  ImportStats counts;
  std::optional<Error> error;
  std::optional<std::int64_t> stoppedAt;
};

LastImport& Last() {
  static LastImport last;
  return last;
}

std::function<void(const ImportStats&)>& ProgressHandler() {
  static std::function<void(const ImportStats&)> handler;
  return handler;
}

}  // namespace

const ImportStats& LastImportStats() {
  return Last().counts;
}

void SetImportProgressHandler(std::function<void(const ImportStats&)> handler) {
  ProgressHandler() = std::move(handler);
}

std::optional<Error> VandrelCtl::LastImportError() const {
  return Last().error;
}

std::optional<std::int64_t> VandrelCtl::LastImportStoppedAt() const {
  return Last().stoppedAt;
}

std::atomic<bool>& HostCancelRequest() {
  static std::atomic<bool> request{false};
  static_assert(std::atomic<bool>::is_always_lock_free, "set from signal handlers");
  return request;
}

void VandrelCtl::Cancel() noexcept {
  HostCancelRequest().store(true);
}

ImportRequest SettingsRequest() {
  const Settings& s = settings();
  ImportRequest request;
  request.target = {s.MDBFile, s.MDBPassword, s.TabImport, s.TabError};
  request.encoding = ParseEncoding(s.Encoding).value_or(TextEncoding::Auto);
  request.language = s.Language;
  if (s.InfoField) request.fields = *s.InfoField;
  request.format = s.Format;
  request.progress = ProgressHandler();
  return request;
}

void KeepOutcome(const ImportOutcome& outcome) {
  Last() = {outcome.counts, outcome.error,
            outcome.cancelled ? std::optional(outcome.stoppedAtLine) : std::nullopt};
}

void ImportaBackGround() {
  HourglassPointer hourglass;
  Settings& s = settings();
  Last() = {};
  const bool fixed = s.FileType == fFixedWidth;
  const std::string folder = ApplicationFolder();
  // The layout and the field rows are checked before anything is opened.
  std::optional<DelimitedLayout> delimited;
  std::optional<FixedLayout> fixedLayout;
  if (fixed) {
    if (auto record = CaricaSpecFisso(folder, s.SpecificationName))
      fixedLayout = LayoutFrom(*record);
  } else {
    if (auto record = CaricaSpecDelim(folder, s.SpecificationName)) delimited = LayoutFrom(*record);
  }
  if (!delimited && !fixedLayout) {
    s.ImportResult = static_cast<std::int32_t>(eResult::Failure);
    return;
  }
  if (!s.InfoField) {
    throw Error(kErrSubscript,
                "Subscript out of range: NumField has not been assigned, so there "
                "are no InfoField rows.");
  }
  ImportRequest request = SettingsRequest();
  request.textFile = s.ImportFile;
  request.lineFields = s.InfoField->size();
  request.emptyTarget = s.OverWriteTab;
  request.cancel = &HostCancelRequest();
  const ImportOutcome outcome =
      fixed ? rigatxtfisso(request, *fixedLayout) : ImportaDelimitato(request, *delimited);
  // A request that came in after the last line was read is used up too.
  HostCancelRequest().store(false);
  KeepOutcome(outcome);
  if (outcome.error) throw *outcome.error;
  s.ImportResult = static_cast<std::int32_t>(ResultOf(outcome));
}

}  // namespace vandrel
