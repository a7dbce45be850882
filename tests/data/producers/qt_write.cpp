// Writes the pictures that make.sh gives it as BMP files through QImage, as Qt programs
// save them: qt_write SRC.ppm MONO.pbm ALPHA.png OUTDIR.
#include <QGuiApplication>
#include <QImage>
#include <QString>

int main(int argc, char** argv) {
    if (argc != 5)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[4]) + "/";
    QImage src(QString::fromLocal8Bit(argv[1]));
    QImage mono(QString::fromLocal8Bit(argv[2]));
    QImage alpha(QString::fromLocal8Bit(argv[3]));
    bool ok = src.convertToFormat(QImage::Format_RGB32).save(out + "qt-rgb32.bmp") &&
              src.convertToFormat(QImage::Format_Indexed8).save(out + "qt-indexed8.bmp") &&
              mono.convertToFormat(QImage::Format_Mono).save(out + "qt-mono.bmp") &&
              alpha.convertToFormat(QImage::Format_ARGB32).save(out + "qt-argb32.bmp");
    return ok ? 0 : 1;
}
