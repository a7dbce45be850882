// Where the pixel at the current X and Y lives in the open file's bytes.
#include "app/viewer_dlg.h"
#include "dib/pixel_rules.h"
#include "inspect/describe.h"
#include "inspect/pixel_location.h"
#include "platform/mapped_file.h"
#include "tools/structure_view_command.h"

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
    else if (where) {
        // The answer leads on into the structure view, with the pixel and its bytes chosen.
        const std::string text = inspect::DescribePixelLocation(*where);
        if (AfxMessageBox(CString::FromUtf8(text + "\n\n在结构视图中查看这个像素吗？"),
                          MB_YESNO | MB_ICONINFORMATION) == IDYES)
            OpenStructureView(m_nativePath, {where->offset, std::pair{where->x, where->y}});
    } else
        AfxMessageBox(CString::FromUtf8(error));
}
