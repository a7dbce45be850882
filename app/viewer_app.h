// The application object: starts the main dialog and ends the program when it closes.
#pragma once

#include "platform/window/cwinapp.h"

class CViewerApp : public CWinApp {
public:
    CViewerApp() = default;
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CViewerApp theApp;
