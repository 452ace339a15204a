// The about box, template 100, shown from the main frame's system menu.
#pragma once
#include "fw/Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    // No window of the program closes on Escape or Enter.
    bool PreTranslateMessage(MSG* msg) override;
};
