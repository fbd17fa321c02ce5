// Private window messages of the program. Workers never touch a window
// directly: they post (or, where they must wait, send) one of these to the
// window that owns the control, and the user-interface thread does the rest.
#pragma once

#include <windows.h>

// The caption of every message box the program shows.
inline constexpr char kMessageCaption[] = "Vandok System Test";

// Discovery worker -> main dialog, sent: show lParam (const char*) in a box
// owned by the main dialog; returns once the user has closed it.
inline constexpr UINT WM_APP_SHOW_MESSAGE = WM_APP + 1;
// Discovery worker -> main dialog, sent: lParam (const char*) becomes the status text.
inline constexpr UINT WM_APP_SET_STATUS = WM_APP + 2;
// Discovery worker -> main dialog, sent: wParam TRUE enables the tab control, FALSE disables it.
inline constexpr UINT WM_APP_ENABLE_TABS = WM_APP + 3;
// Discovery worker -> main dialog, posted last: wParam is the DiscoveryOutcome.
inline constexpr UINT WM_APP_DISCOVERY_ENDED = WM_APP + 4;
// Transfer worker -> page, posted: a new progress position is waiting in the page's relay.
inline constexpr UINT WM_APP_PROGRESS = WM_APP + 5;
// Transfer worker -> page, posted: stop the page's elapsed-time timer.
inline constexpr UINT WM_APP_STOP_TIMER = WM_APP + 6;
// Transfer worker -> page, posted last: the run is over (timer off, controls back on).
inline constexpr UINT WM_APP_RUN_ENDED = WM_APP + 7;
// Page -> main dialog, sent on the user-interface thread: wParam TRUE while a
// transfer runs; the dialog disables every control that starts a command.
inline constexpr UINT WM_APP_COMMANDS_BUSY = WM_APP + 8;
