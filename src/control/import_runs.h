// How the control runs imports: the request its settings describe, and what it keeps of the
// latest import (its counts and the error that stopped it) for LastImportStats and
// LastImportError. The silent import (Action = 1) is here; the wizard uses the rest.
#pragma once

#include "engine/import.h"

namespace vandrel {

// The target, the field rows and the progress handler, from the settings block. The caller
// adds the text file, the number of line fields and what to empty.
ImportRequest SettingsRequest();

// The host's cancel request for the silent import (VandrelCtl::Cancel).
std::atomic<bool>& HostCancelRequest();

// Keeps the outcome for LastImportStats and LastImportError.
void KeepOutcome(const ImportOutcome& outcome);

// The silent import: ImportFile into TabImport by the layout saved as SpecificationName,
// setting ImportResult. An error that stops it reaches the caller, ImportResult unchanged.
void ImportaBackGround();

}  // namespace vandrel
