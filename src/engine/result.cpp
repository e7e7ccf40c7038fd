#include "vandrel/result.h"

#include "vandrel/import.h"

namespace vandrel {

eResult ResultOf(const ImportOutcome& outcome) {
  if (outcome.cancelled && !outcome.error) return eResult::Abort;
  if (outcome.error || outcome.counts.errorRowsLost > 0) return eResult::Failure;
  return outcome.counts.errorRows > 0 ? eResult::SError : eResult::Success;
}

}  // namespace vandrel
