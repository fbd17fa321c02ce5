#include "link/ansi_text.h"

namespace vandok {

// POSIX programs already take and give their text as the bytes they were given.
std::string native_to_utf8(const std::string& text) { return text; }

}  // namespace vandok
