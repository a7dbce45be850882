// Text, icons and fonts between the program's forms and Qt's.
#include "platform/codepage.h"
#include "platform/window/window_host.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

namespace platform::window {

QString ToQString(LPCTSTR gbk) {
    return QString::fromStdString(platform::GbkToUtf8(gbk != nullptr ? gbk : ""));
}

CString FromQString(const QString& text) {
    return CString(platform::Utf8ToGbk(text.toStdString()));
}

QPixmap IconPixmap(HICON icon) {
    const IconResource* r = FindIconResource(icon);
    if (r == nullptr)
        return {};
    const QImage image(reinterpret_cast<const uchar*>(r->pixels.data()), r->size, r->size,
                       r->size * 4, QImage::Format_ARGB32);
    return QPixmap::fromImage(image.copy());
}

QFont DialogFont(const char* fontName, int pointSize) {
    QFont font = QApplication::font();
    // Song-style faces stand in for 宋体; "System" is the desktop's own face.
    if (fontName != nullptr && std::string_view(fontName) == "宋体")
        font.setFamilies({"AR PL UMing CN", "AR PL SungtiL GB", "Noto Serif CJK SC", "SimSun"});
    font.setPixelSize(MulDiv(pointSize, 96, 72));
    return font;
}

} // namespace platform::window
