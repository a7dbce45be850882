#include "app/viewer_app.h"
#include "codecs/stream_codecs.h"

#include "app/viewer_dlg.h"
#include "platform/exceptions.h"
#include "platform/interaction.h"

BEGIN_MESSAGE_MAP(CViewerApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CViewerApp theApp;

BOOL CViewerApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();
    // The structure view shows embedded PNG and JPEG pictures too.
    codecs::InstallStreamDecoders();
    if (!m_structureFile.empty()) {
        m_exitCode = CViewerDlg::RunStructureView(m_structureFile);
        return FALSE;
    }
    try {
        CViewerDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    } catch (CMemoryException* e) {
        // No command runs yet to be abandoned: say so and end.
        e->Delete();
        m_pMainWnd = nullptr;
        AfxMessageBox(CString::FromUtf8("内存不足。"));
    }
    return FALSE;
}
