// Where the pixel at the current X and Y lives in the open file's bytes.
#include "app/viewer_dlg.h"
#include "dib/pixel_rules.h"
#include "inspect/describe.h"
#include "inspect/pixel_location.h"
#include "platform/mapped_file.h"

void CViewerDlg::OnPixelLocation() {
    if (!m_bOpened || m_pDib == nullptr) {
        AfxMessageBox(CString::FromUtf8(kOpenBitmapFirstMessage), 0);
        return;
    }
    if (!UpdateData(TRUE))
        return;
    platform::MappedFile file(m_nativePath);
    if (file.Error() != 0) {
        AfxMessageBox("Can't Read Files!!");
        return;
    }
    std::string error;
    const auto where = inspect::LocatePixel(file.Bytes(), m_nX, m_nY, error);
    if (file.Changed())
        AfxMessageBox(CString::FromUtf8(kFileChangedMessage));
    else if (where)
        AfxMessageBox(CString::FromUtf8(inspect::DescribePixelLocation(*where)),
                      MB_ICONINFORMATION);
    else
        AfxMessageBox(CString::FromUtf8(error));
}
