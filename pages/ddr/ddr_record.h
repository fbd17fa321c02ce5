// A DDR test as the run history and the companion's report see it.
#pragma once

#include "pages/common/run_history.h"
#include "pages/ddr/ddr_test.h"

namespace vandok {

RunKind kind_of(const DdrOutcome& outcome);

// The strict verdict of the companion and the fault soak: bytes the board sent
// unasked put the read out of step, a link fault whatever the comparison said.
RunKind strict_kind_of(const DdrOutcome& outcome);

// "mismatch": the summary of a failed compare (counts, lowest and highest
// failing address, failing bits), or null when there is none.
void add_mismatch_summary(JsonObject& fields, const DdrMismatchReport* report);

}  // namespace vandok
