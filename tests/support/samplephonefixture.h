#pragma once

#include "host/device/samplephonegenerator.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A generated sample phone in a temporary folder; fresh copies for tests that
// change the storage.
class SamplePhoneFixture
{
public:
    explicit SamplePhoneFixture(int photoCount = 8, quint32 seed = 7);
    explicit SamplePhoneFixture(const SamplePhoneOptions& options);

    bool isValid() const { return m_valid; }
    QString folder() const { return m_dir.path(); }
    const SamplePhoneGenerator& generator() const { return m_generator; }
    QString file(const QString& relativePath) const { return m_dir.filePath(relativePath); }
    // A copy of the phone in a new temporary folder, owned by the caller.
    std::unique_ptr<QTemporaryDir> copy() const;

    static bool copyTree(const QString& from, const QString& to);

private:
    QTemporaryDir m_dir;
    SamplePhoneGenerator m_generator;
    bool m_valid = false;
};
