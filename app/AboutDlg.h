// The About box: icon, name and version, OK.
#pragma once

#include "framework/dialog.h"
#include "resources/resource.h"

class CAboutDlg : public fw::CDialogEx {
 public:
  enum { IDD = IDD_ABOUTBOX };
  CAboutDlg() : CDialogEx(IDD) {}
};
