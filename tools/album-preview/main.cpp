// album-preview: shows the album page over a phone folder (a generated sample
// phone when none is given) grouped by day and by folder, with the photo
// rows, dates and thumbnails the host's photo database gives, and saves a
// picture of each page.
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/samplephonegenerator.h"
#include "host/resources/hoststylesheet.h"
#include "host/services/fileutils.h"
#include "host/services/mediaextensions.h"
#include "host/services/ocsharedvalue.h"
#include "model/cphotodataitem.h"
#include "model/photoitemviewmodel.h"
#include "previewsortproxy.h"
#include "thumbview/albumviewwidget.h"
#include "thumbview/thumbnailgroupview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QMouseEvent>
#include <QSqlRecord>
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

void click(QWidget* target, const QPoint& pos)
{
    for (QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
        QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

bool save(QWidget& page, const QString& file)
{
    QCoreApplication::processEvents();
    if (!page.grab().save(file)) {
        std::fprintf(stderr, "album-preview: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("album-preview: %s\n", qPrintable(file));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("album-preview"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows the album page over a phone folder, by day and by folder, and saves pictures."));
    parser.addHelpOption();
    const QCommandLineOption phone(QStringLiteral("phone"),
        QStringLiteral("Phone folder (default: a generated sample phone)."), QStringLiteral("DIR"));
    const QCommandLineOption out(QStringLiteral("out-dir"),
        QStringLiteral("Folder for the pictures."), QStringLiteral("DIR"), QStringLiteral("."));
    const QCommandLineOption size(QStringLiteral("size"),
        QStringLiteral("Page size (default 1000x720)."), QStringLiteral("WxH"),
        QStringLiteral("1000x720"));
    const QCommandLineOption step(QStringLiteral("thumb-size"),
        QStringLiteral("Size step 0 to 3 (default 1)."), QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption rtl(QStringLiteral("rtl"), QStringLiteral("Right-to-left layout."));
    parser.addOptions({ phone, out, size, step, rtl });
    parser.process(app);

    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "album-preview: no temporary folder\n");
        return 1;
    }
    QString folder = parser.value(phone);
    if (folder.isEmpty()) {
        folder = work.filePath(QStringLiteral("phone"));
        SamplePhoneGenerator generator { SamplePhoneOptions() };
        if (!generator.generate(folder)) {
            std::fprintf(stderr, "album-preview: %s\n", qPrintable(generator.errorString()));
            return 1;
        }
    }
    const QStringList files = photoFiles(folder);
    if (files.isEmpty()) {
        std::fprintf(stderr, "album-preview: no photos in %s\n", qPrintable(folder));
        return 1;
    }

    g_SharedValue.SetRTL(parser.isSet(rtl));
    if (parser.isSet(rtl))
        QApplication::setLayoutDirection(Qt::RightToLeft);
    ApplyHostStyleSheet();

    // Rows as the photo database gives them, under the paths the phone
    // shows; a file the database cannot read keeps only its name.
    DBManager manager(work.filePath(QStringLiteral("photo.db")));
    PhotoDB database(&manager, 1);
    PhotoItemViewModel model(nullptr, nullptr);
    model.SetViewMode(2);
    std::vector<std::unique_ptr<CPhotoDataItem>> items;
    int withRows = 0;
    for (const QString& file : files) {
        const QString phonePath
            = toStoredPath(QStringLiteral("/Phone/") + QDir(folder).relativeFilePath(file));
        const QSqlRecord row = database.setItemData(toStoredPath(file), true, 13);
        auto item = std::make_unique<CPhotoDataItem>(phonePath, QString());
        if (item->fillFromRecord(row, phonePath))
            ++withRows;
        item->setExists(true);
        model.AddItem(item.get());
        items.push_back(std::move(item));
    }
    PreviewSortProxy proxy;
    proxy.setSourceModel(&model);

    AlbumViewWidget page;
    page.SetModel(&proxy);
    page.SetThumbSize(parser.value(step).toInt());
    page.SetSortState(7, 0);
    const QStringList wh = parser.value(size).split(QLatin1Char('x'));
    page.resize(wh.value(0).toInt() > 0 ? wh.value(0).toInt() : 1000,
        wh.value(1).toInt() > 0 ? wh.value(1).toInt() : 720);
    page.show();
    QCoreApplication::processEvents();

    const QString target = parser.value(out);
    const QString suffix = parser.isSet(rtl) ? QStringLiteral("-rtl") : QString();
    // A day picked with its group check box, as a user would.
    ThumbnailGroupView* days = page.View(AlbumViewWidget::DayMode);
    if (days->GroupTotal() > 1)
        click(days->viewport(), days->CheckBoxRect(1).center());
    if (!save(page, QDir(target).filePath(QStringLiteral("album-by-day%1.png").arg(suffix))))
        return 1;
    page.SetSortState(9, 0);
    if (!save(page, QDir(target).filePath(QStringLiteral("album-by-folder%1.png").arg(suffix))))
        return 1;
    std::printf("album-preview: %d photos, %d with database rows, %d days, %d folders\n",
        int(files.size()), withRows, days->GroupTotal(),
        page.View(AlbumViewWidget::FolderMode)->GroupTotal());
    return 0;
}
