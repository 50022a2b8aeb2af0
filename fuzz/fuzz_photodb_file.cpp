// The photo database reads a file of arbitrary bytes under each picture
// extension: the metadata, the thumbnail and the stored row.
#include "fuzzapplication.h"

#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/db/photometadatareader.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

const char* const Extensions[] = { "jpg", "jpeg", "png", "gif", "bmp", "tif", "webp" };

PhotoDB& database()
{
    // Never destroyed: Qt's connection registry is gone by the time static
    // objects are.
    static auto* manager = new DBManager(QDir(FuzzApplication::scratchFolder()).filePath("photo.db"));
    static auto* db = new PhotoDB(manager, 1);
    return *db;
}

void check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "broken: %s\n", what);
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzApplication::instance();
    FuzzedDataProvider input(data, size);
    const char* extension = input.PickValueInArray(Extensions);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    const QString path = QDir(FuzzApplication::scratchFolder()).filePath(
        QStringLiteral("picture.") + QLatin1String(extension));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(bytes.data(), qint64(bytes.size()));
    file.close();

    const PhotoMetadata metadata = PhotoMetadataReader::read(path, true);
    check(!metadata.usable || metadata.size.isValid(), "a usable picture has a size");
    const QSize side(PhotoMetadataReader::kThumbnailSide, PhotoMetadataReader::kThumbnailSide);
    check(metadata.thumbnail.isNull() || metadata.thumbnail.width() <= side.width(),
        "thumbnails are bounded");

    PhotoDB& db = database();
    const QSqlRecord row = db.setItemData(path, true, -1);
    QByteArray stored;
    if (db.getThumbnailFromDB(path, &stored, true))
        check(!stored.isEmpty(), "a stored thumbnail has bytes");
    if (!row.isEmpty())
        db.deleteItem(-1, { path }, true);
    return 0;
}
