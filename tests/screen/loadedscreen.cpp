#include "loadedscreen.h"

#include "host/app/pluginloader.h"
#include "host/contract/iplugins.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/services/ocsharedvalue.h"
#include "host/thumbs/octhumbnailmanager.h"
#include "host/widgets/cexttableview.h"
#include "model/photoroles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QStackedWidget>
#include <QtTest>

namespace {
std::unique_ptr<PluginLoader> g_loader;
const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
} // namespace

std::atomic<RecordingPhoneAgent*> RecordingPhoneAgent::s_current { nullptr };

RecordingPhoneAgent::RecordingPhoneAgent(const QString& folder, int connectionKind)
    : FolderPhoneAgent(folder, connectionKind)
{
    s_current = this;
}

RecordingPhoneAgent::~RecordingPhoneAgent()
{
    m_hold = false;
    m_release.release(100);
    s_current = nullptr;
}

int RecordingPhoneAgent::RequestThumbnails(
    const QString& path, const int& kind, PFN_ThumbnailCallback callback)
{
    {
        QMutexLocker lock(&m_mutex);
        m_requested.append(path);
        m_callback = callback;
    }
    return FolderPhoneAgent::RequestThumbnails(path, kind, &RecordingPhoneAgent::answer);
}

int RecordingPhoneAgent::StartItemLoad(const QString& root)
{
    ++m_listings;
    return FolderPhoneAgent::StartItemLoad(root);
}

QStringList RecordingPhoneAgent::requested() const
{
    QMutexLocker lock(&m_mutex);
    return m_requested;
}

void RecordingPhoneAgent::answer(int error)
{
    RecordingPhoneAgent* agent = s_current.load();
    if (!agent)
        return;
    // Bounded: a test that forgets to let go does not hang the agent.
    if (agent->m_hold)
        agent->m_release.tryAcquire(1, 20000);
    PFN_ThumbnailCallback callback = nullptr;
    {
        QMutexLocker lock(&agent->m_mutex);
        callback = agent->m_callback;
    }
    if (callback)
        callback(error);
}

PluginLoader* LoadedScreen::loader()
{
    if (!g_loader) {
        g_loader = std::make_unique<PluginLoader>(
            QDir(TestEnvironment::binaryFolder()).filePath(QStringLiteral("libdevice_photo.so")));
        if (!g_loader->load())
            qWarning() << "LoadedScreen:" << g_loader->errorString();
    }
    return g_loader.get();
}

void LoadedScreen::unloadLibrary()
{
    g_loader.reset();
}

LoadedScreen::LoadedScreen(const Options& options)
{
    m_database = std::make_unique<DBManager>(m_env.path(QStringLiteral("photo.db")));
    m_photoDatabase = std::make_unique<PhotoDB>(m_database.get(), 1);
    if (options.agent) {
        m_context.deviceAgent = options.agent;
    } else {
        m_agent
            = std::make_unique<RecordingPhoneAgent>(options.phoneFolder, options.connectionKind);
        m_agent->setFaults(options.faults);
        m_context.deviceAgent = m_agent.get();
    }
    m_context.dbManager = m_database.get();
    m_context.pluginManager = &m_manager;
    m_context.photoDatabase = m_photoDatabase.get();
    g_SharedValue.SetPartialLoading(options.partialLoading);
    OCThumbnailManager::SetHostContext(&m_context);
    QObject::connect(&m_manager, &PluginManager::deviceRefreshFinished, [this](int type) {
        if (type == PhotoType)
            ++m_refreshReports;
    });
    QObject::connect(&m_manager, &PluginManager::statusTextRequested,
        [this](const QString& text) { m_statusText = text; });
    m_host.resize(1000, 700);
    m_host.show();
    PluginLoader* library = loader();
    m_plugin = library ? library->plugin() : nullptr;
    if (!m_plugin)
        return;
    m_plugin->hostContext = &m_context;
    m_plugin->SetParentWidget(&m_host);
    m_widget = m_plugin->CreateWidget(QStringLiteral("device_photo"));
}

LoadedScreen::~LoadedScreen()
{
    if (m_widget) {
        emit m_manager.on_signal_main_close();
        m_plugin->DestroyWidget();
    }
    m_agent.reset();
    OCThumbnailManager::SetHostContext(nullptr);
}

QStackedWidget* LoadedScreen::screen() const
{
    return m_widget ? m_widget->findChild<QStackedWidget*>(QStringLiteral("device_photo"))
                    : nullptr;
}

CExtTableView* LoadedScreen::listTable() const
{
    return m_widget ? m_widget->findChild<CExtTableView*>() : nullptr;
}

QAbstractItemModel* LoadedScreen::rows() const
{
    CExtTableView* table = listTable();
    return table ? table->model() : nullptr;
}

void LoadedScreen::choosePhoto()
{
    m_plugin->ShowWidget(true);
    emit m_manager.on_signal_pmgr_leftview_actionsubitem(ITEM_TYPE(PhotoType),
        QStringLiteral("clicked"), QStringLiteral("Photo"), QString(),
        deviceAgent()->GetDeviceIndex());
}

void LoadedScreen::chooseOther()
{
    m_plugin->ShowWidget(false);
    emit m_manager.on_signal_pmgr_leftview_actionsubitem(ITEM_TYPE(OCGlobal::ITEM_DEVICE),
        QStringLiteral("clicked"), QStringLiteral("Phone"), QString(),
        deviceAgent()->GetDeviceIndex());
}

void LoadedScreen::requestView(int mode)
{
    emit m_manager.on_signal_pmgr_changedType_View(mode);
}

bool LoadedScreen::waitListed(int timeoutMs)
{
    const int reports = m_refreshReports;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        if (m_refreshReports > reports
            && !g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing))
            return true;
        QTest::qWait(10);
    }
    return false;
}

bool LoadedScreen::waitThumbnailsIdle(int timeoutMs)
{
    // The chain starts right after the listing report, in the same pass.
    QCoreApplication::processEvents();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        if (!g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessThumbnails))
            return true;
        QTest::qWait(10);
    }
    return false;
}

int LoadedScreen::rowOfFile(const QString& fileName) const
{
    QAbstractItemModel* model = rows();
    for (int row = 0; model && row < model->rowCount(); ++row) {
        const QString path = model->index(row, 0).data(PhotoRole::PathRole).toString();
        if (path.section(QLatin1Char('\\'), -1) == fileName)
            return row;
    }
    return -1;
}

bool LoadedScreen::hasThumbnail(int row) const
{
    QAbstractItemModel* model = rows();
    return model && !model->index(row, 0).data(Qt::DecorationRole).value<QPixmap>().isNull();
}

int LoadedScreen::thumbnailCount() const
{
    QAbstractItemModel* model = rows();
    int count = 0;
    for (int row = 0; model && row < model->rowCount(); ++row)
        count += hasThumbnail(row) ? 1 : 0;
    return count;
}
