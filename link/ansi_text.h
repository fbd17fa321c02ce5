// The Windows 8-bit text the board logic reads (hex fields, file names).
#pragma once

#ifdef _WIN32
#include <string>

namespace vandok {

// Converts text to the thread's ANSI code page into out (out_bytes with the
// terminator). False when it does not fit, or when a character has no exact
// counterpart there: a best-fit look-alike ("１" for "1") would turn one field
// or file name into another, so such a text is refused rather than guessed at.
bool to_thread_ansi(const std::wstring& text, char* out, int out_bytes);

}  // namespace vandok
#endif
