// The 8-bit text the board logic reads (hex fields, file names) and its UTF-8 form.
#pragma once

#include <string>

namespace vandok {

// The program's 8-bit text as UTF-8: unchanged on POSIX; on Windows converted
// from the thread's ANSI code page, in which the arguments were read.
std::string native_to_utf8(const std::string& text);

#ifdef _WIN32

// Converts text to the thread's ANSI code page into out (out_bytes with the
// terminator). False when it does not fit, or when a character has no exact
// counterpart there: a best-fit look-alike ("１" for "1") would turn one field
// or file name into another, so such a text is refused rather than guessed at.
bool to_thread_ansi(const std::wstring& text, char* out, int out_bytes);

#endif

}  // namespace vandok
