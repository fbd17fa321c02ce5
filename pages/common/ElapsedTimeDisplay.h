// The once-a-second tick shared by the two transfer pages: elapsed time and
// projected total time, read off the page's progress bar.
#pragma once

#include <ctime>

#include "framework/controls.h"

void ShowElapsedTick(__time64_t startTime, const fw::CProgressCtrl& progress, const fw::CStatic& elapsedText,
                     const fw::CStatic& totalText);
