// pixscope-qt-reader IN OUT: reads a picture with Qt's own image reader, as any Qt
// program would, and writes what it read as an RGBA PNG; the refusal goes to stderr.
#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("pixscope-qt-reader with Qt %s\n", qVersion());
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: pixscope-qt-reader IN OUT.png\n");
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "%s\n", reader.errorString().toLocal8Bit().constData());
        return 1;
    }
    if (!image.convertToFormat(QImage::Format_RGBA8888)
             .save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
