#include "importcontroller.h"

#include "host/contract/ideviceagent.h"
#include "host/db/photodb.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "importdialog.h"
#include "importsummarydialog.h"
#include "transferenginewindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QWidget>

ImportController::ImportController(IDeviceNexaAgent* agent, IDBManager* database, PhotoDB* albums,
    QWidget* windowParent, QObject* parent)
    : QObject(parent)
    , m_agent(agent)
    , m_albums(albums)
    , m_windowParent(windowParent)
{
    m_engine = std::make_unique<ImportEngine>(agent, database);
    m_engine->setCheckFolder(QDir(GetAppPath()).filePath(QStringLiteral("Temp")));
    connect(m_engine.get(), &ImportEngine::finished, this, &ImportController::onFinished);
}

ImportController::~ImportController()
{
    delete m_progress;
    if (m_summaryDialog)
        delete m_summaryDialog;
}

bool ImportController::isRunning() const
{
    return m_engine->isRunning();
}

QList<ImportSource> ImportController::sourcesOf(const QStringList& paths) const
{
    IDeviceNexaAgent* agent = m_agent;
    // On mass storage a phone path is the file itself; otherwise only the
    // agent reaches it, and size and date come with the copy.
    const bool massStorage = agent && agent->GetConnectionKind() == ConnectionKind::MassStorage;
    QList<ImportSource> sources;
    for (const QString& path : paths) {
        ImportSource source;
        source.phonePath = path;
        if (massStorage) {
            const QFileInfo info(toFileSystemPath(path));
            if (info.isFile()) {
                source.size = info.size();
                source.deviceDate = info.lastModified();
            }
        }
        sources.append(source);
    }
    return sources;
}

void ImportController::importPhotos(const QStringList& paths, qint64 totalSize, int albumId)
{
    if (paths.isEmpty())
        return;
    if (m_engine->isRunning()) {
        OCMsgBox::ShowOCMessageBox(m_windowParent, tr("Transfer to PC"),
            tr("An import is running. Please wait until it has finished."), 0, MsgBoxFlag::Ok);
        return;
    }
    const QList<ImportSource> sources = sourcesOf(paths);
    ImportSettings settings = ImportSettings::load();
    if (!settings.chosen && !askSettings(sources, totalSize, &settings))
        return;
    ImportRequest request;
    request.sources = sources;
    request.destination = settings.destination;
    request.layout = settings.layout;
    request.deleteAfter = settings.deleteAfter;
    request.includeImported = settings.includeImported;
    m_albumId = albumId;
    qCDebug(lcHostApp) << "ImportController::importPhotos :" << paths.size() << "photos, album"
                       << albumId;
    if (!m_engine->start(request))
        return;
    showProgressWindow(sources.size());
}

bool ImportController::askSettings(
    const QList<ImportSource>& sources, qint64 totalSize, ImportSettings* chosen)
{
    ImportDialog dialog(*chosen, m_windowParent);
    if (!sources.isEmpty()) {
        dialog.setPreviewSource([this, sources, totalSize](const QString& destination, bool again) {
            ImportPreview preview = m_engine->preview(sources, destination, again);
            // Over media transfer only the screen's total size is known.
            if (preview.bytesNeeded == 0 && preview.photos > 0 && totalSize > 0) {
                const int copies = again ? preview.photos : preview.photos - preview.imported;
                preview.bytesNeeded = totalSize * copies / preview.photos;
            }
            return preview;
        });
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *chosen = dialog.settings();
    chosen->save();
    return true;
}

bool ImportController::editSettings()
{
    ImportSettings settings = ImportSettings::load();
    return askSettings({}, 0, &settings);
}

void ImportController::cancel()
{
    m_engine->cancel();
}

void ImportController::shutDown(int timeoutMs)
{
    m_windowsShown = false;
    if (!m_engine->isRunning())
        return;
    m_engine->cancel();
    QElapsedTimer clock;
    clock.start();
    while (m_engine->isRunning() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    qCDebug(lcHostApp) << "ImportController::shutDown : ended" << !m_engine->isRunning() << "in"
                       << clock.elapsed() << "ms";
}

void ImportController::showProgressWindow(int photos)
{
    if (!m_windowsShown)
        return;
    if (!m_progress) {
        m_progress = new TransferEngineWindow(m_windowParent);
        m_progress->setObjectName(QStringLiteral("import_progress"));
        connect(m_progress, &TransferEngineWindow::cancelRequested, m_engine.get(),
            &ImportEngine::cancel);
        connect(m_engine.get(), &ImportEngine::progressChanged, m_progress,
            &TransferEngineWindow::showImportProgress);
    }
    m_progress->startBatch(tr("Importing photos"), photos);
    m_progress->show();
}

void ImportController::onFinished(const ImportSummary& summary)
{
    if (m_progress)
        m_progress->hide();
    fileIntoAlbums(summary);
    if (m_windowsShown) {
        if (m_summaryDialog)
            m_summaryDialog->close();
        m_summaryDialog = new ImportSummaryDialog(summary, m_windowParent);
        m_summaryDialog->show();
    }
    emit finished(summary);
}

void ImportController::fileIntoAlbums(const ImportSummary& summary)
{
    PhotoDB* database = m_albums;
    if (!database || summary.safeFiles.isEmpty())
        return;
    QStringList stored;
    for (const QString& file : summary.safeFiles)
        stored.append(toStoredPath(file));
    for (const PhotoAlbum& album : database->albums()) {
        if (album.itemType == QLatin1String("recent")) {
            // "Recently Added" is the last import.
            database->clearAlbum(album.id);
            database->addToAlbum(album.id, stored);
        }
    }
    if (m_albumId >= 0 && !database->addToAlbum(m_albumId, stored))
        qCWarning(lcHostApp) << "ImportController::fileIntoAlbums : not added to album"
                             << m_albumId;
    emit libraryChanged();
}
