#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Where the viewer's downloads go on phones whose files only the device
// agent reaches: a folder per session below the host's data folder (so
// --config-dir moves it), and in it a folder per photo that is emptied before
// each download, so a photo's copy always keeps the photo's own name. The
// session's folder goes when the session ends; what a session that never
// ended left behind goes when the next one starts. A session still running
// (another photo-host on the same data folder) is told by its lock.
class ViewerDownloadFolder
{
public:
    explicit ViewerDownloadFolder(const QString& base);
    ~ViewerDownloadFolder();
    ViewerDownloadFolder(const ViewerDownloadFolder&) = delete;
    ViewerDownloadFolder& operator=(const ViewerDownloadFolder&) = delete;

    // The emptied folder to download a phone photo into; empty when it
    // cannot be made.
    QString folderFor(const QString& phonePath);
    QString sessionFolder() const { return m_session; }

    // "<the host's data folder>/Temp/viewer".
    static QString defaultBase();

private:
    void removeEndedSessions();

    const QString m_base;
    QString m_session;
    std::unique_ptr<QLockFile> m_lock;
};
