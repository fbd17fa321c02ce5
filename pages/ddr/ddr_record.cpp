#include "pages/ddr/ddr_record.h"

namespace vandok {

RunKind kind_of(const DdrOutcome& outcome) {
  switch (outcome.result) {
    case DdrResult::Pass: return RunKind::Pass;
    case DdrResult::Mismatch: return RunKind::Fail;
    case DdrResult::LinkFailed:
    case DdrResult::CannotCompare: return RunKind::LinkError;
    case DdrResult::Cancelled: return RunKind::Cancelled;
  }
  return RunKind::LinkError;
}

RunKind strict_kind_of(const DdrOutcome& outcome) {
  const RunKind kind = kind_of(outcome);
  return kind != RunKind::Cancelled && outcome.unexpected_bytes > 0 ? RunKind::LinkError : kind;
}

void add_mismatch_summary(JsonObject& fields, const DdrMismatchReport* report) {
  if (report == nullptr) {
    fields.null("mismatch");
    return;
  }
  JsonObject summary;
  summary.number("differing_bytes", report->differing_bytes)
      .text("lowest_address", hex_text(report->lowest_address))
      .text("highest_address", hex_text(report->highest_address))
      .text("failing_bits", hex_text(report->failing_bits));
  fields.raw("mismatch", summary.str());
}

}  // namespace vandok
