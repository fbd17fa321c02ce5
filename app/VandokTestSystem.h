// The application object: starts the common controls, OLE and Windows
// Sockets, runs the main dialog, and cleans up.
#pragma once

#include "framework/app.h"

class CVandokTestSystemApp : public fw::CWinApp {
 public:
  CVandokTestSystemApp() = default;
  ~CVandokTestSystemApp() override = default;

 protected:
  int InitInstance() override;
};
