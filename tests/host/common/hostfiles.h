#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class FolderPhoneAgent;
class SamplePhoneFixture;

// File checks the host suites share: what a job wrote, and whether it is whole.
namespace HostFiles {

// A file's bytes; a stored path ("\"-separated) is read as the file it names.
QByteArray contents(const QString& path);
// SHA-1 of a file's bytes, empty when it cannot be read.
QByteArray digest(const QString& path);
// Every file below a folder, hidden ones included, relative to it, sorted.
QStringList filesBelow(const QString& folder);
// The files directly in a folder, hidden ones included, by name.
QStringList filesIn(const QString& folder);
// The first count camera photos of a sample phone, as files below root
// (the fixture's own folder when empty, or a copy of it).
QStringList samplePhotos(const SamplePhoneFixture& phone, int count, const QString& root = {});
// The phone paths an agent on the sample phone gives its camera photos
// (every one when count is negative).
QStringList samplePhonePaths(
    const SamplePhoneFixture& phone, const FolderPhoneAgent& agent, int count = -1);

} // namespace HostFiles
