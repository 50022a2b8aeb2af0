#pragma once

#include "importengine.h"
#include "importsettings.h"
#include "importsummarydialog.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class IDBManager;
class IDeviceNexaAgent;
class PhotoDB;
class QWidget;
class TransferEngineWindow;

// photo-host's "Transfer to PC": the photos the screen hands over are
// imported with the user's settings, asked once in the import dialog and
// changeable from the File menu. Shows the progress window while the
// import runs and the summary at its end, fills "Recently Added" with the
// import and, for "Transfer to album", the album.
class ImportController : public QObject
{
    Q_OBJECT

public:
    // albums may be null: no "Recently Added", no albums.
    ImportController(IDeviceNexaAgent* agent, IDBManager* database, PhotoDB* albums,
        QWidget* windowParent, QObject* parent = nullptr);
    ~ImportController() override;

    // Off: no progress window and no summary (screenshots, scripted runs).
    void setWindowsShown(bool shown) { m_windowsShown = shown; }
    ImportEngine* engine() const { return m_engine.get(); }
    TransferEngineWindow* progressWindow() const { return m_progress; }
    ImportSummaryDialog* summaryDialog() const { return m_summaryDialog; }
    bool isRunning() const;

public slots:
    // The screen's transfer request: phone paths, their total size, an
    // album id or -1.
    void importPhotos(const QStringList& paths, qint64 totalSize, int albumId);
    // File > Import Settings; false when cancelled.
    bool editSettings();
    void cancel();
    // Photo-host closes: a running import is cancelled and its end awaited
    // (events pumped, at most timeoutMs), so that the agent has removed what
    // it was writing; no summary is shown.
    void shutDown(int timeoutMs);

signals:
    void finished(const ImportSummary& summary);
    // The library's albums changed ("Recently Added", an album).
    void libraryChanged();

private:
    QList<ImportSource> sourcesOf(const QStringList& paths) const;
    bool askSettings(const QList<ImportSource>& sources, qint64 totalSize, ImportSettings* chosen);
    void showProgressWindow(int photos);
    void onFinished(const ImportSummary& summary);
    void fileIntoAlbums(const ImportSummary& summary);

    IDeviceNexaAgent* m_agent = nullptr;
    PhotoDB* m_albums = nullptr;
    QPointer<QWidget> m_windowParent;
    std::unique_ptr<ImportEngine> m_engine;
    TransferEngineWindow* m_progress = nullptr;
    QPointer<ImportSummaryDialog> m_summaryDialog;
    bool m_windowsShown = true;
    int m_albumId = -1;
};
