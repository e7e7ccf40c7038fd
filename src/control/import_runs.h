// The Action side of the control: the wizard (Action = 0) and the silent import (Action = 1,
// the text file by the layout saved under SpecificationName, or by one the host gives), with
// the settings as they stand, and the layout guess of the text file.
#pragma once

#include <optional>
#include <string>

#include "control/settings.h"
#include "vandrel/spec_files.h"

namespace vandrel {

// Imports silently by the settings and returns the outcome; nothing when there is no saved
// layout of that name (ImportResult becomes Failure). Throws Error 9 when NumField has not been
// assigned; every failure of the import itself is in the outcome.
std::optional<ImportOutcome> ImportaBackGround(const Settings& s);
// The same by `layout` instead of a saved one.
ImportOutcome ImportByLayout(const Settings& s, const TextLayout& layout);

// The saved layout named `name` (letter case ignored, the first in file order) in `folder`;
// nothing when there is none or the name is empty.
std::optional<specs::DelimitedSpecRecord> CaricaSpecDelim(const std::string& folder,
                                                          const std::string& name);
std::optional<specs::FixedSpecRecord> CaricaSpecFisso(const std::string& folder,
                                                      const std::string& name);

}  // namespace vandrel
