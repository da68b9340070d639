#pragma once
// Dialog data exchange: binds controls of a dialog to members of its class.
#include <windows.h>

class CString;
class CWnd;

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

  BOOL m_bSaveAndValidate;  // true: controls to members
  CWnd* m_pDlgWnd;
};

void DDX_Text(CDataExchange* exchange, int id, CString& value);
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);
