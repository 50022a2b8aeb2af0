#include "hostfiles.h"

#include "host/device/folderphoneagent.h"
#include "host/services/fileutils.h"
#include "support/samplephonefixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace HostFiles {

QByteArray contents(const QString& path)
{
    QFile file(toFileSystemPath(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray digest(const QString& path)
{
    QFile file(toFileSystemPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(
        folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList samplePhotos(const SamplePhoneFixture& phone, int count, const QString& root)
{
    const QDir base(root.isEmpty() ? phone.folder() : root);
    QStringList files;
    for (const SamplePhoto& photo : phone.generator().photos().mid(0, count))
        files.append(base.filePath(photo.relativePath));
    return files;
}

QStringList samplePhonePaths(
    const SamplePhoneFixture& phone, const FolderPhoneAgent& agent, int count)
{
    QStringList paths;
    for (const QString& file :
        samplePhotos(phone, count < 0 ? phone.generator().photos().size() : count))
        paths.append(agent.phonePathOf(file));
    return paths;
}

} // namespace HostFiles
