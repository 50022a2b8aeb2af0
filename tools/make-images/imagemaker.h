#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// Draws the host's images (bars, frames, check boxes, buttons, placeholders,
// loading frames) and writes them as PNG files under one folder, at the
// paths the resource system serves them from.
class ImageMaker
{
public:
    explicit ImageMaker(const QString& folder);

    // Draws and writes every image; false when a file could not be written.
    bool makeAll();
    // A resource collection file listing every written image.
    bool writeQrc(const QString& fileName) const;
    const QStringList& files() const { return m_files; }

private:
    static QImage canvas(int width, int height);
    void save(const QImage& image, const QString& resourcePath);
    // Cuts a bar into a fixed left end, a stretchable middle and a fixed
    // right end; %1 in pattern becomes l, m and r.
    void saveThreeSlices(const QImage& image, int left, int right, const QString& pattern);

    void makeThumbnailHeader();
    void makeDivider();
    void makeCheckBoxes();
    void makeSortingBar();
    void makeAlbumControls();
    void makeViewerFrame();
    void makeViewerButtons();
    void makeLoadingFrames();
    void makePlaceholders();

    QString m_folder;
    QStringList m_files;
    bool m_ok = true;
};
