#include "screenfixture.h"

#include "host/contract/iplugins.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/services/mediaextensions.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "plugin/ocpluginwidget.h"
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QItemSelectionModel>

extern "C" QObject* qt_plugin_instance();

ScreenFixture::ScreenFixture()
    : ScreenFixture(Options())
{
}

ScreenFixture::ScreenFixture(const Options& options)
    : m_boxes(std::make_unique<MessageBoxRecorder>())
    , m_phone(options.photoCount)
    , m_options(options)
{
    m_database = std::make_unique<DBManager>(m_env.path(QStringLiteral("photo.db")));
    m_photoDatabase = std::make_unique<PhotoDB>(m_database.get(), 1);
    m_agent = options.makeAgent
        ? options.makeAgent(m_phone.folder(), options.connectionKind)
        : std::make_unique<FolderPhoneAgent>(m_phone.folder(), options.connectionKind);
    FolderAgentFaults faults;
    faults.noThumbnailSupport = !options.phoneThumbnails;
    m_agent->setFaults(faults);
    m_context.deviceAgent = m_agent.get();
    m_context.dbManager = m_database.get();
    m_context.pluginManager = &m_manager;
    m_context.photoDatabase = m_photoDatabase.get();
    m_host.resize(1000, 700);
    if (options.show)
        m_host.show();
    m_plugin = qobject_cast<IPlugins*>(qt_plugin_instance());
    if (options.create)
        createWidget();
}

ScreenFixture::~ScreenFixture()
{
    destroyWidget();
    m_agent.reset();
}

void ScreenFixture::createWidget()
{
    if (!m_plugin || m_widget)
        return;
    m_plugin->hostContext = &m_context;
    m_plugin->SetParentWidget(&m_host);
    m_widget
        = qobject_cast<OCPluginWidget*>(m_plugin->CreateWidget(QStringLiteral("device_photo")));
    if (m_widget && m_options.show) {
        m_widget->move(0, 0);
        m_plugin->ShowWidget(true);
        QCoreApplication::processEvents();
    }
}

void ScreenFixture::destroyWidget()
{
    if (!m_plugin || !m_widget)
        return;
    m_plugin->DestroyWidget();
    m_widget = nullptr;
}

PhotoItemViewWidget* ScreenFixture::screen() const
{
    return m_widget ? m_widget->view() : nullptr;
}

PhotoItemViewModel* ScreenFixture::model() const
{
    return m_widget ? m_widget->model() : nullptr;
}

OCMediaItemList* ScreenFixture::mediaList() const
{
    return m_widget ? m_widget->mediaList() : nullptr;
}

QStringList ScreenFixture::photoFiles() const
{
    QStringList files;
    for (const QString& relative : m_phone.generator().files()) {
        if (isPhotoExtension(fileExtension(relative)))
            files.append(QDir(m_phone.folder()).filePath(relative));
    }
    files.sort();
    return files;
}

int ScreenFixture::fill()
{
    OCMediaItemList* list = mediaList();
    PhotoItemViewModel* rowsModel = model();
    if (!list || !rowsModel)
        return 0;
    for (const QString& file : photoFiles()) {
        ItemEvent event(ItemEventCode::Listed, std::make_unique<CPhotoDataItem>(file));
        if (CPhotoDataItem* item = list->updateInsertedItem(event, true))
            rowsModel->AddItem(item);
    }
    QCoreApplication::processEvents();
    return rowsModel->rowCount();
}

QAbstractItemView* ScreenFixture::currentView() const
{
    return screen() ? screen()->viewOf(PhotoItemViewWidget::Current) : nullptr;
}

QModelIndexList ScreenFixture::rows() const
{
    QModelIndexList indexes;
    QAbstractItemView* view = currentView();
    if (!view || !view->model())
        return indexes;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        indexes.append(view->model()->index(row, 0));
    return indexes;
}

void ScreenFixture::select(const QList<int>& rowNumbers)
{
    QAbstractItemView* view = currentView();
    if (!view || !view->selectionModel())
        return;
    view->selectionModel()->clearSelection();
    for (int row : rowNumbers) {
        const QModelIndex index = view->model()->index(row, 0);
        view->selectionModel()->select(
            index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
}

CPhotoDataItem* ScreenFixture::itemAt(const QModelIndex& index) const
{
    return reinterpret_cast<CPhotoDataItem*>(
        index.data(PhotoRole::ItemPointerRole).value<quintptr>());
}
