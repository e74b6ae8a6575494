// stakor-window-art OUTDIR: draws the built-in pictures of the main window and
// writes them as 24-bit BMP files into OUTDIR.

#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include "pictures.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argc > 0 ? argv[0] : "stakor-window-art");
        return 2;
    }
    // Fonts need a GUI application, but no screen: this runs in builds and CI.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const auto& picture : stakor::window_art::DrawAllPictures()) {
        const QString path = QDir(outDir).filePath(picture.FileName);
        // The game loads these as 24-bit pictures; RGB888 is written as such.
        const QImage rgb = picture.Image.convertToFormat(QImage::Format_RGB888);
        if (!rgb.save(path, "BMP")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
