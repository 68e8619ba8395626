// Turns a bitmap into a JPEG with Qt's image writer: bmp_to_jpeg IN.bmp OUT.jpg QUALITY
// Part of the splash artwork generator (make_splash.sh).

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the image format plugins are found through it
    if (argc != 4) {
        std::fprintf(stderr, "usage: bmp_to_jpeg IN.bmp OUT.jpg QUALITY\n");
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "bmp_to_jpeg: cannot read %s\n", argv[1]);
        return 1;
    }
    QImageWriter writer(QString::fromLocal8Bit(argv[2]), "jpeg");
    writer.setQuality(QString::fromLatin1(argv[3]).toInt());
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
        std::fprintf(stderr, "bmp_to_jpeg: cannot write %s: %s\n", argv[2], qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
