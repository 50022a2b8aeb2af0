#include "samplephonefixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

SamplePhoneOptions optionsFor(int photoCount, quint32 seed)
{
    SamplePhoneOptions options;
    options.photoCount = photoCount;
    options.seed = seed;
    return options;
}

} // namespace

SamplePhoneFixture::SamplePhoneFixture(int photoCount, quint32 seed)
    : SamplePhoneFixture(optionsFor(photoCount, seed))
{
}

SamplePhoneFixture::SamplePhoneFixture(const SamplePhoneOptions& options)
    : m_generator(options)
{
    m_valid = m_dir.isValid() && m_generator.generate(m_dir.path());
}

std::unique_ptr<QTemporaryDir> SamplePhoneFixture::copy() const
{
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid() || !copyTree(folder(), dir->path()))
        return nullptr;
    return dir;
}

bool SamplePhoneFixture::copyTree(const QString& from, const QString& to)
{
    QDirIterator it(
        from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).path());
        QFile in(source);
        QFile out(target);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
            return false;
        out.write(in.readAll());
        out.flush();
        out.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime);
    }
    return true;
}
