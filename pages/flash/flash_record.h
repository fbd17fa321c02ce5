// A flash image as the run history and the companion's report see it.
#pragma once

#include "pages/common/run_history.h"
#include "pages/flash/flash_transfer.h"

namespace vandok {

inline RunKind kind_of(const FlashOutcome& outcome) {
  switch (outcome.result) {
    case FlashResult::Pass: return RunKind::Pass;
    case FlashResult::LinkFailed: return RunKind::LinkError;
    case FlashResult::FileReadFailed: return RunKind::BadInput;  // the file, not the board
    case FlashResult::Cancelled: return RunKind::Cancelled;
  }
  return RunKind::LinkError;
}

}  // namespace vandok
