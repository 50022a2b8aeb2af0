// viewer-preview: opens the photo viewer on one photo of a phone folder (a
// generated sample phone when none is given) the way the phone photo screen
// does, and saves a picture of it.
#include "host/device/samplephonegenerator.h"
#include "host/resources/hoststylesheet.h"
#include "host/services/exiforientation.h"
#include "host/services/fileutils.h"
#include "host/services/mediaextensions.h"
#include "host/services/ocsharedvalue.h"
#include "host/thumbs/octhumnailmaker.h"
#include "model/cphotodataitem.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "viewer/photoviewerwidget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDirIterator>
#include <QImageReader>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

QStringList photoFiles(const QString& folder)
{
    QStringList extensions;
    getSupportedExtensions(MediaKind::Photo, extensions);
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (extensions.contains(fileExtension(file)))
            files << file;
    }
    files.sort();
    return files;
}

// What the thumbnail pipeline and the photo database would provide: a small
// upright picture and the EXIF orientation.
void fillItem(CPhotoDataItem* item, const QString& file)
{
    item->setDirection(OCThumnailMaker().getOrientation(file), false);
    QImageReader reader(file);
    QSize size = reader.size();
    if (size.isValid()) {
        size.scale(300, 300, Qt::KeepAspectRatio);
        reader.setScaledSize(size);
    }
    const QImage image = reader.read();
    if (image.isNull())
        return;
    item->setThumbnail(QPixmap::fromImage(ExifOrientation::upright(image, item->orientation())));
    item->setThumbnailLoaded(true);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("viewer-preview"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows the photo viewer over a phone folder and saves a picture of it."));
    parser.addHelpOption();
    const QCommandLineOption phone(QStringLiteral("phone"),
        QStringLiteral("Phone folder (default: a generated sample phone)."), QStringLiteral("DIR"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Picture to write."),
        QStringLiteral("FILE"), QStringLiteral("viewer.png"));
    const QCommandLineOption size(QStringLiteral("size"),
        QStringLiteral("Viewer size (default 900x640)."), QStringLiteral("WxH"),
        QStringLiteral("900x640"));
    const QCommandLineOption open(QStringLiteral("open"),
        QStringLiteral("Row of the photo to open (default 2)."), QStringLiteral("N"),
        QStringLiteral("2"));
    const QCommandLineOption rtl(QStringLiteral("rtl"), QStringLiteral("Right-to-left layout."));
    parser.addOptions({ phone, out, size, open, rtl });
    parser.process(app);

    QTemporaryDir sample;
    QString folder = parser.value(phone);
    if (folder.isEmpty()) {
        SamplePhoneOptions options;
        options.extras = false;
        SamplePhoneGenerator generator(options);
        if (!sample.isValid() || !generator.generate(sample.path())) {
            std::fprintf(stderr, "viewer-preview: %s\n", qPrintable(generator.errorString()));
            return 1;
        }
        folder = sample.path();
    }
    const QStringList files = photoFiles(folder);
    if (files.isEmpty()) {
        std::fprintf(stderr, "viewer-preview: no photos in %s\n", qPrintable(folder));
        return 1;
    }

    g_SharedValue.SetRTL(parser.isSet(rtl));
    if (parser.isSet(rtl))
        QApplication::setLayoutDirection(Qt::RightToLeft);
    ApplyHostStyleSheet();

    PhotoItemViewModel model(nullptr, nullptr);
    model.SetViewMode(3);
    model.setViewerOpen(true);
    std::vector<std::unique_ptr<CPhotoDataItem>> items;
    for (const QString& file : files) {
        items.push_back(std::make_unique<CPhotoDataItem>(file));
        fillItem(items.back().get(), file);
        model.AddItem(items.back().get());
    }
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);

    PhotoViewerWidget viewer;
    viewer.SetModel(&proxy);
    // Mass storage: the phone's file is a file of this computer.
    QObject::connect(&viewer, qOverload<const QModelIndex&>(&PhotoViewerWidget::loadFile), &viewer,
        [&viewer](const QModelIndex& index) {
            viewer.SetRotateEnabled(true);
            viewer.loadFile(toFileSystemPath(index.data(PhotoRole::PathRole).toString()));
        });
    const QStringList wh = parser.value(size).split(QLatin1Char('x'));
    viewer.resize(wh.value(0).toInt() > 0 ? wh.value(0).toInt() : 900,
        wh.value(1).toInt() > 0 ? wh.value(1).toInt() : 640);
    viewer.show();
    QCoreApplication::processEvents();
    const int row = qBound(0, parser.value(open).toInt(), proxy.rowCount() - 1);
    viewer.reSetCurrentIndex(proxy.index(row, 0));
    QCoreApplication::processEvents();

    const QString target = parser.value(out);
    if (!viewer.grab().save(target)) {
        std::fprintf(stderr, "viewer-preview: cannot write %s\n", qPrintable(target));
        return 1;
    }
    std::printf("viewer-preview: %d photos, row %d shown, written to %s\n", int(files.size()), row,
        qPrintable(target));
    return 0;
}
