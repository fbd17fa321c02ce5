// The one table from what the system reports to the words it shows. The odd
// spellings ("SUCCES", "Broad", "rpt file") are the system's own, kept as they are.
#pragma once

#include "link/message.h"

namespace vandok {

// The text of a message; "" for Message::None.
const char* message_text(Message message);

}  // namespace vandok
