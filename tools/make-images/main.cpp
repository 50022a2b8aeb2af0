// make-images FOLDER
//
// Draws the host's images into FOLDER (host/resources in the source tree)
// and writes FOLDER/images.qrc listing them.

#include "imagemaker.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: make-images FOLDER\n");
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();
    ImageMaker maker(folder);
    if (!maker.makeAll())
        return 1;
    if (!maker.writeQrc(QDir(folder).filePath(QStringLiteral("images.qrc"))))
        return 1;
    std::printf("make-images: %d images in %s\n", int(maker.files().size()), qPrintable(folder));
    return 0;
}
