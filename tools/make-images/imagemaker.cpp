#include "imagemaker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

ImageMaker::ImageMaker(const QString& folder)
    : m_folder(folder)
{
}

bool ImageMaker::makeAll()
{
    makeThumbnailHeader();
    makeDivider();
    makeCheckBoxes();
    makeSortingBar();
    makeAlbumControls();
    makeViewerFrame();
    makeViewerButtons();
    makeLoadingFrames();
    makePlaceholders();
    m_files.sort();
    return m_ok;
}

QImage ImageMaker::canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void ImageMaker::save(const QImage& image, const QString& resourcePath)
{
    const QString fileName = QDir(m_folder).filePath(resourcePath);
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath())) {
        std::fprintf(stderr, "make-images: cannot create the folder of %s\n", qPrintable(fileName));
        m_ok = false;
        return;
    }
    // Stored as plain ARGB so the files do not depend on the painter's format.
    if (!image.convertToFormat(QImage::Format_ARGB32).save(fileName, "PNG")) {
        std::fprintf(stderr, "make-images: cannot write %s\n", qPrintable(fileName));
        m_ok = false;
        return;
    }
    m_files.append(resourcePath);
}

void ImageMaker::saveThreeSlices(const QImage& image, int left, int right, const QString& pattern)
{
    const int h = image.height();
    save(image.copy(0, 0, left, h), pattern.arg(QLatin1String("l")));
    save(image.copy(left, 0, image.width() - left - right, h), pattern.arg(QLatin1String("m")));
    save(image.copy(image.width() - right, 0, right, h), pattern.arg(QLatin1String("r")));
}

bool ImageMaker::writeQrc(const QString& fileName) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "make-images: cannot write %s\n", qPrintable(fileName));
        return false;
    }
    QTextStream out(&file);
    out << "<!-- Written by tools/make-images; run it again instead of editing. -->\n";
    out << "<RCC>\n    <qresource prefix=\"/\">\n";
    for (const QString& path : m_files)
        out << "        <file>" << path << "</file>\n";
    out << "    </qresource>\n</RCC>\n";
    return true;
}
