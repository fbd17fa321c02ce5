// The application object: starts the common controls, OLE and Windows
// Sockets, runs the main dialog, and cleans up.
#pragma once

#include "framework/app.h"
#include "pages/common/app_messages.h"

class CVandokTestSystemApp : public fw::CWinApp {
 public:
  CVandokTestSystemApp() : CWinApp(kMessageCaption) {}
  ~CVandokTestSystemApp() override = default;

 protected:
  int InitInstance() override;
};
