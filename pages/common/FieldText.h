// Reading a hexadecimal field's edit text as 8-bit text for parse_hex_field.
#pragma once

#include "framework/controls.h"
#include "link/hex_field.h"

// Converts the control's text to the thread's ANSI code page into Temp,
// allowing at most the text's length + 1 bytes and never more than Temp holds.
// A text that does not fit or does not convert exactly is replaced by one the
// field rule refuses, so the field gets its own error message.
void ReadFieldText(const fw::CWnd& edit, char (&Temp)[vandok::kFieldTextBytes]);
