// The logo pictures of the main dialog: loading them from the program's
// folder and drawing them at their places.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "app/logo_layout.h"

// Loads a picture file that lies beside the program; nullptr when it cannot.
IPicture* LoadLogoPicture(const char* fileName);

// Draws a picture (nullptr: nothing) at its place, at its natural size but
// never larger than the place allows.
void DrawLogoPicture(IPicture* picture, HDC dc, const vandok::LogoPlace& place);
