// echora_imagegen OUT_DIR WORK_DIR: paints every interface picture into OUT_DIR, and into
// WORK_DIR the program icon at each size and the frames of the loading animation, which
// generate.sh joins with ImageMagick into Echora.ico and loadingmask.gif.
#include "ImageKit.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

void paintButtons();
void paintSurfaces();
QImage paintAppIcon(int size);
QImage paintLoadingFrame(int frame);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: echora_imagegen OUT_DIR WORK_DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString work = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QDir().mkpath(work);

    kit::setOutputDir(out);
    paintButtons();
    paintSurfaces();

    kit::setOutputDir(work);
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        kit::save(paintAppIcon(size), QStringLiteral("icon-%1.png").arg(size, 3, 10, QChar('0')));
    const int frames = 12;
    for (int i = 0; i < frames; ++i)
        kit::save(paintLoadingFrame(i), QStringLiteral("loading-%1.png").arg(i, 2, 10, QChar('0')));
    return 0;
}
