#include "importplacer.h"

#include "host/db/importledger.h"
#include "host/db/photometadatareader.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/safefile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int kMaxNumberedNames = 10000;

QString tr(const char* text)
{
    return QCoreApplication::translate("ImportPlacer", text);
}

// "name.ext", then "name (1).ext", "name (2).ext", ...
QString numberedName(const QString& fileName, int number)
{
    if (number == 0)
        return fileName;
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return QStringLiteral("%1 (%2)%3").arg(info.completeBaseName()).arg(number).arg(suffix);
}

bool isInside(const QString& path, const QString& folder)
{
    const QString root = QDir::cleanPath(folder) + QLatin1Char('/');
    return QDir::cleanPath(path).startsWith(root);
}

ImportPlacer::Result failure(const QString& reason, bool outOfSpace = false)
{
    ImportPlacer::Result result;
    result.reason = reason;
    result.outOfSpace = outOfSpace;
    return result;
}

} // namespace

QByteArray ImportPlacer::sha256Of(const QString& fileSystemPath, QString* why)
{
    QFile file;
    if (!SafeFile::openForReading(file, fileSystemPath, why))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError) {
        if (why)
            *why = file.errorString();
        return QByteArray();
    }
    return hash.result();
}

QDate ImportPlacer::folderDate(const Plan& plan, const QFileInfo& staged)
{
    if (plan.layout != ImportLayout::ByDate)
        return QDate();
    const QDateTime taken = PhotoMetadataReader::read(staged.filePath(), false).shootingDate;
    if (taken.isValid())
        return taken.date();
    // The agent gives its copy the file's time on the device.
    const QDateTime fileDate = plan.deviceDate.isValid() ? plan.deviceDate : staged.lastModified();
    return fileDate.toLocalTime().date();
}

QString ImportPlacer::sameContentAt(const QString& folder, const QString& fileName,
    const QByteArray& sha256, qint64 size, QString* freeName)
{
    for (int number = 0; number < kMaxNumberedNames; ++number) {
        const QString candidate = QDir(folder).filePath(numberedName(fileName, number));
        const QFileInfo info(candidate);
        if (!info.exists() && !info.isSymLink()) {
            *freeName = candidate;
            return QString();
        }
        if (info.isFile() && info.size() == size && sha256Of(candidate) == sha256)
            return candidate;
    }
    freeName->clear();
    return QString();
}

QString ImportPlacer::sameContentKnown(
    const ImportLedger* ledger, const QString& destination, const QByteArray& sha256, qint64 size)
{
    if (!ledger)
        return QString();
    for (const ImportRecord& record : ledger->recordsWithContent(sha256)) {
        const QString path = toFileSystemPath(record.pcPath);
        const QFileInfo info(path);
        if (isInside(path, destination) && info.isFile() && info.size() == size
            && sha256Of(path) == sha256)
            return path;
    }
    return QString();
}

ImportPlacer::Result ImportPlacer::place(const Plan& plan, const ImportLedger* ledger)
{
    const QFileInfo staged(plan.stagedFile);
    if (!staged.isFile())
        return failure(tr("the copy did not arrive"));
    Result result;
    result.size = staged.size();
    result.deviceDate = plan.deviceDate.isValid() ? plan.deviceDate : staged.lastModified();
    if (plan.expectedSize >= 0 && result.size != plan.expectedSize) {
        QFile::remove(plan.stagedFile);
        return failure(
            tr("the copy is incomplete (%1 of %2 bytes)").arg(result.size).arg(plan.expectedSize));
    }
    if (plan.spaceLeft >= 0 && result.size > plan.spaceLeft) {
        QFile::remove(plan.stagedFile);
        return failure(tr("not enough free space at the destination"), true);
    }
    QString why;
    result.sha256 = sha256Of(plan.stagedFile, &why);
    if (result.sha256.isEmpty()) {
        QFile::remove(plan.stagedFile);
        return failure(tr("the copy cannot be read: %1").arg(why));
    }
    if (plan.importedContents.contains(result.sha256)) {
        QFile::remove(plan.stagedFile);
        result.outcome = Result::ImportedBefore;
        return result;
    }

    const QString folder = QDir(plan.destination)
                               .filePath(ImportLayout::subfolder(
                                   plan.layout, folderDate(plan, staged), plan.phoneFolder));
    if (!QDir().mkpath(folder)) {
        QFile::remove(plan.stagedFile);
        return failure(tr("cannot create the folder %1").arg(folder));
    }
    QString target;
    QString same = sameContentKnown(ledger, plan.destination, result.sha256, result.size);
    if (same.isEmpty())
        same = sameContentAt(folder, plan.fileName, result.sha256, result.size, &target);
    if (!same.isEmpty()) {
        QFile::remove(plan.stagedFile);
        result.outcome = Result::AlreadyThere;
        result.pcPath = same;
        return result;
    }
    if (target.isEmpty()) {
        QFile::remove(plan.stagedFile);
        return failure(tr("no free name for %1 in %2").arg(plan.fileName, folder));
    }
    if (plan.deviceDate.isValid()) {
        QFile stamp(plan.stagedFile);
        if (!stamp.open(QIODevice::ReadOnly)
            || !stamp.setFileTime(plan.deviceDate, QFileDevice::FileModificationTime))
            qCWarning(lcHostApp) << "ImportPlacer::place : cannot set the time of" << target;
    }
    // Same file system: the name appears with the whole file or not at all.
    if (!QFile::rename(plan.stagedFile, target)) {
        QFile::remove(plan.stagedFile);
        return failure(tr("cannot write %1").arg(target));
    }
    result.outcome = Result::Copied;
    result.pcPath = target;
    return result;
}
