// CDib through an archive: the bitmap lies in the archive's file as a whole BMP file,
// written and read straight through the file rather than the archive's buffer.
#include "dib/dib.h"

#include "platform/trace.h"

void CDib::Serialize(CArchive& ar) {
    TRACE("CDib::Serialize -- pos = %d\n", static_cast<int>(ar.GetFile()->GetPosition()));
    ar.Flush();
    TRACE("CDib::Serialize -- pos = %d\n", static_cast<int>(ar.GetFile()->GetPosition()));
    if (ar.IsStoring())
        Write(ar.GetFile());
    else
        Read(ar.GetFile());
}
