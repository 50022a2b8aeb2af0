#pragma once

#include "host/contract/listingreport.h"

#include <QList>
#include <QMap>
#include <QSize>
#include <QString>

// A phone storage that holds what a hostile owner or a broken app leaves on
// a phone, each entry with what a careful agent and photo database make of
// it. Built beside it: a folder outside the phone that links lead to, which
// nothing may list, read or change. Tests run the table through an agent in
// each connection kind; make-hostile-phone builds it for photo-host.
class HostilePhone
{
public:
    // What the photo database, or the phone's thumbnail, gives for a file.
    enum class Picture {
        Thumbnail, // a row with a thumbnail; the phone sends one
        Placeholder, // a row without thumbnail (too large to decode); the phone sends none
        Unusable, // no row: not a picture that can be read; the phone sends none
    };

    struct Entry
    {
        QString name; // the row's name
        QString relativePath; // below the storage, in file-system form
        bool listed = true;
        int skipReason = -1; // a ListingReport::Reason when not listed and counted
        Picture picture = Picture::Thumbnail;
        qint64 size = -1; // the size a record reports, -1: not checked
        QSize declared; // the pixel size a record reports; invalid: none
        bool hasPosition = false; // a "Tag" position in the row
    };

    // folder: where to build; the storage is folder/phone, the rest folder/outside.
    // withLargeFiles: the sparse files of 2 and 4 GiB and the 60000x60000 PNG.
    HostilePhone(const QString& folder, bool withLargeFiles = true);

    bool build();
    QString errorString() const { return m_error; }
    QString storage() const;
    QString outside() const;
    const QList<Entry>& entries() const { return m_entries; }
    // How many skipped files of each reason a listing of the whole storage reports.
    int expectedSkips(int reason) const;

    // Removes a tree that may hold paths longer than the system allows.
    static bool removeTree(const QString& folder);
    // Every entry of a tree with its type, size, time and link target, and
    // the contents of its small files: what "unchanged" means for a tree.
    static QMap<QByteArray, QByteArray> snapshot(const QString& folder);

private:
    bool addFile(const Entry& entry, const QByteArray& bytes);
    bool addSpecialFiles();
    bool addLinks();
    bool addNames();
    bool addPictures();
    bool addNumbers();
    bool addPositions();
    bool addDeepPath();
    void expect(const Entry& entry) { m_entries.append(entry); }
    bool fail(const QString& what);

    QString m_folder;
    bool m_largeFiles;
    QList<Entry> m_entries;
    QString m_error;
};
