#include "control/import_runs.h"


#include "control/hourglass.h"
#include "vandrel/app_folder.h"
#include "vandrel/guess.h"
#include "vandrel/host_hooks.h"
#include "vandrel/vandrel_ctl.h"

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
  // The layout and the field rows are checked before anything is opened.
  const std::optional<TextLayout> layout = SavedLayout(s);
  if (!layout) return std::nullopt;
  return ImportByLayout(s, *layout);
}

ImportOutcome ImportByLayout(const Settings& s, const TextLayout& layout) {
  HourglassPointer hourglass;
  if (!s.InfoField) {
    throw Error(kErrSubscript,
                "Subscript out of range: NumField has not been assigned, so there "
                "are no InfoField rows.");
  }
  // A request to stop is used up by this import, however it ends, even one that came in after
  // the last line was read.
  const StopRequestUsedUp usedUp;
  return RunImport(RequestFromSettings(s), layout);
}

namespace {

// What Action = 0 hands the wizard: the settings as one value.
WizardRequest WizardRequestFromSettings(const Settings& s) {
  WizardRequest request;
  request.import = RequestFromSettings(s);
  request.import.textFile.clear();
  request.import.cancel = nullptr;  // the wizard has a Cancel button of its own
  request.askToAppend = s.AsktoAppend;
  request.overWriteTab = s.OverWriteTab;
  request.applicationFolder = ApplicationFolder();
  return request;
}

void ShowWizard() {
  const auto& wizard = hostHooks().wizard;
  if (!wizard) {
    throw Error(kErrNoWizard,
                "The import wizard is not part of this program: it needs the "
                "Vandrel user-interface library.");
  }
  const WizardOutcome outcome = wizard(WizardRequestFromSettings(settings()));
  Settings& s = settings();
  // Stage 3's associations stay in InfoField, as the host may read them afterwards.
  if (s.InfoField && outcome.fields.size() == s.InfoField->size()) s.InfoField = outcome.fields;
  if (outcome.import) s.LastImport = *outcome.import;
  if (outcome.result) s.ImportResult = static_cast<std::int32_t>(*outcome.result);
}

// Keeps the outcome of a silent import and sets ImportResult by it; the error that stopped the
// import reaches the host. No outcome: there was no saved layout of that name.
void KeepSilentOutcome(const std::optional<ImportOutcome>& outcome) {
  Settings& s = settings();
  if (!outcome) {
    s.ImportResult = static_cast<std::int32_t>(eResult::Failure);
    return;
  }
  s.LastImport = *outcome;
  if (outcome->error) throw *outcome->error;
  s.ImportResult = static_cast<std::int32_t>(ResultOf(*outcome));
}

void ImportSilently() {
  settings().LastImport = {};
  KeepSilentOutcome(ImportaBackGround(settings()));
}

}  // namespace

void VandrelCtl::setAction(std::int32_t action) {
  if (action == aShowInterface) {
    ShowWizard();
  } else if (action == aBackground) {
    ImportSilently();
  } else {
    throw Error(kErrInvalidProperty);
  }
}

std::optional<Error> VandrelCtl::LastImportError() const {
  return settings().LastImport.error;
}

ImportStats VandrelCtl::LastImportStats() const {
  return settings().LastImport.counts;
}

std::optional<std::int64_t> VandrelCtl::LastImportStoppedAt() const {
  const ImportOutcome& last = settings().LastImport;
  return last.cancelled ? std::optional(last.stoppedAtLine) : std::nullopt;
}

void VandrelCtl::Cancel() noexcept {
  hostHooks().cancel.store(true);
}

void VandrelCtl::ImportWithLayout(const TextLayout& layout) {
  settings().LastImport = {};
  KeepSilentOutcome(ImportByLayout(settings(), layout));
}

LayoutGuess VandrelCtl::GuessLayout() const {
  const Settings& s = settings();
  GuessOptions options;
  options.encoding = ParseEncoding(s.Encoding).value_or(TextEncoding::Auto);
  options.hostFormat = s.Format;
  return vandrel::GuessLayout(s.ImportFile, options);
}

HeaderAssociation VandrelCtl::AssociateByHeader() {
  auto& rows = settings().InfoField;
  const LayoutGuess guess = GuessLayout();
  if (!guess.header || !rows) return {};
  std::vector<std::string> header;
  for (const GuessedColumn& c : guess.columns) header.push_back(c.name);
  return AssociateRowsByHeader(*rows, header);
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
