// Turning the window's wide texts into the 8-bit texts the board logic reads.
#pragma once

#include <string>

#include "framework/controls.h"
#include "link/hex_field.h"

// Converts text to the thread's ANSI code page into out (out_bytes with the
// terminator). False when it does not fit, or when a character has no exact
// counterpart there: a best-fit look-alike ("１" for "1") would turn one field
// or file name into another, so such a text is refused rather than guessed at.
bool ToThreadAnsi(const std::wstring& text, char* out, int out_bytes);

// Reads a hexadecimal field's edit text into Temp, allowing at most the text's
// length + 1 bytes and never more than Temp holds. A text that does not fit or
// does not convert exactly is replaced by one the field rule refuses, so the
// field gets its own error message.
void ReadFieldText(const fw::CWnd& edit, char (&Temp)[vandok::kFieldTextBytes]);
