#pragma once
#include "framework/win_app.h"

// The application: runs the main window modally and ends with it.
class CServiceApp : public CWinApp {
 public:
  CServiceApp() = default;
  ~CServiceApp() override = default;
  BOOL InitInstance() override;
};
