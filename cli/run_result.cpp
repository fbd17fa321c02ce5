#include "cli/run_result.h"

#include "pages/common/message_text.h"

namespace vandok::cli {

int exit_code(const RunResult& r) {
  switch (r.kind) {
    case RunKind::Pass: return kExitOk;
    case RunKind::Fail: return kExitTestFailed;
    case RunKind::LinkError: return kExitLink;
    case RunKind::BadInput: return kExitBadInput;
    case RunKind::Cancelled: return kExitCancelledBase + (r.signal != 0 ? r.signal : 2);
  }
  return kExitLink;
}

std::string last_word(const RunResult& r) {
  if (r.message != Message::None) return message_text(r.message);
  if (!r.note.empty()) return r.note;
  return r.kind == RunKind::Cancelled ? "Cancelled" : "";
}

RunResult ended(RunKind kind, Message message) {
  RunResult r;
  r.kind = kind;
  r.message = message;
  return r;
}

RunResult bad_input(Message message) { return ended(RunKind::BadInput, message); }

RunResult bad_input(const std::string& note) {
  RunResult r = ended(RunKind::BadInput, Message::None);
  r.note = note;
  return r;
}

RunResult cancelled(int signal) {
  RunResult r = ended(RunKind::Cancelled, Message::None);
  r.signal = signal;
  return r;
}

}  // namespace vandok::cli
