// What an import came to, as ImportResult holds it. Both ways of importing (the wizard and the
// silent import) turn their outcome into a result by the one rule of ResultOf, so a host reads
// the same result for the same import whichever way it ran.
#pragma once

#include <cstdint>

namespace vandrel {

// A 16-bit integer on the control's interface.
enum class eResult : std::int16_t { Success = 1, Failure = 2, SError = 3, Abort = 4 };
constexpr bool operator==(std::int16_t value, eResult result) {
  return value == static_cast<std::int16_t>(result);
}

struct ImportOutcome;

// Abort when it was cancelled, Failure when the import stopped or an error row was lost,
// SError when lines were logged, else Success.
eResult ResultOf(const ImportOutcome& outcome);

}  // namespace vandrel
