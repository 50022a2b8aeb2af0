#include "ocpluginwidget.h"

#include <QDebug>
#include <QKeyEvent>
#include <QMimeData>
#include <QVBoxLayout>

#include "host/contract/ideviceagent.h"
#include "host/contract/iplugins.h"
#include "host/contract/pluginhostcontext.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/widgets/cexttableview.h"
#include "model/metatypes.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"
#include "ocplugin.h"
#include "screen/livewidget.h"
#include "screen/photoitemviewwidget.h"
#include "ui_ocpluginwidget.h"

namespace {

// Callbacks in flight get this long to hand their work over while the
// widget goes; the GUI thread serves them meanwhile.
const int CallbackDrainMs = 10000;

enum class End { Host, Screen, Self };

// One row of the routing table between the host's plug-in manager and the
// plug-in: the host connects nothing itself, everything goes by name.
struct Route
{
    End from;
    const char* signal;
    End to;
    const char* method;
    Qt::ConnectionType type;
};

} // namespace

OCPluginWidget::OCPluginWidget(IPlugins* plugin, QWidget* parent)
    : QWidget(parent)
    , m_plugin(plugin)
{
    registerPhotoMetaTypes();
    m_ui = new Ui::Widget;
    setObjectName(QStringLiteral("device_photo"));
    m_ui->setupUi(this);

    PluginHostContext* context = plugin ? plugin->hostContext : nullptr;
    m_model = new PhotoItemViewModel(this, context ? context->deviceAgent : nullptr);
    m_model->setHost(this);
    m_model->setThumbnailLookup(this);
    m_mediaList = new OCMediaItemList(context);

    setContentsMargins(0, 0, 0, 0);
    m_view = new PhotoItemViewWidget(this);
    m_view->setHostContext(context);
    m_view->SetItemLoadCallback();
    m_view->setMediaList(m_mediaList);
    m_view->setModel(m_model);
    m_view->thumbListView()->SetRowHeight(100);
    m_view->SetupTableViews();
    m_view->SetupConnections();
    connect(
        m_view, &PhotoItemViewWidget::transferToPcRequested, this, &OCPluginWidget::TransferToPC);

    m_layout = new QVBoxLayout;
    m_layout->addWidget(m_view, 0, Qt::Alignment());
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    setLayout(m_layout);

    ConnectHost();
    initValue();

    LiveWidget::publish(this, m_view);
    setVisible(false);
    hide();
}

OCPluginWidget::~OCPluginWidget()
{
    // No callback may reach the widget or the screen from here on; the
    // phone stops calling the listing's callback at all.
    LiveWidget::withdraw(CallbackDrainMs);
    if (m_view)
        m_view->UnsetItemLoadCallback();
    SaveViewSettings();
    delete m_layout;
    delete m_view;
    delete m_model;
    // A worker that did not stop in time may still be reading the list's
    // photo database: the list stays, rather than go under its feet.
    if (OCModelInsertThread::runningCount() == 0)
        delete m_mediaList;
    else
        qCWarning(lcPlugin) << "OCPluginWidget: a listing worker still runs, its list is left";
    delete m_ui;
}

OCPluginWidget* OCPluginWidget::instance()
{
    return static_cast<OCPluginWidget*>(LiveWidget::current());
}

bool OCPluginWidget::WithdrawFromCallbacks()
{
    return LiveWidget::withdraw(CallbackDrainMs);
}

void OCPluginWidget::ConnectHost()
{
    QObject* pmgr
        = m_plugin && m_plugin->hostContext ? m_plugin->hostContext->pluginManager : nullptr;
    if (!pmgr) {
        qCDebug(lcPlugin) << "OCPluginWidget::ConnectHost : no plug-in manager";
        return;
    }
    const Qt::ConnectionType Auto = Qt::AutoConnection;
    const Qt::ConnectionType Queued = Qt::QueuedConnection;
    const Route routes[] = {
        { End::Host, SIGNAL(on_signal_pmgr_textChanged_Search(QString)), End::Screen,
            SLOT(on_textChanged_Search(QString)), Auto },
        { End::Host, SIGNAL(on_signal_pmgr_changedType_View(int)), End::Screen,
            SLOT(on_changed_viewtype(int)), Auto },
        { End::Host, SIGNAL(on_signal_pmgr_changedType_View(int)), End::Screen,
            SIGNAL(on_signal_notice_thumbnail(int)), Auto },
        { End::Screen, SIGNAL(on_signal_changedType_View(int, uint)), End::Host,
            SLOT(on_changedType_View(int, uint)), Auto },
        { End::Host, SIGNAL(on_signal_main_close()), End::Screen, SLOT(on_main_close()), Auto },
        { End::Host, SIGNAL(on_signal_phoneview_close()), End::Screen, SLOT(on_phoneview_close()),
            Auto },
        { End::Self, SIGNAL(on_signal_showStatusBarMessage(QString, Qt::Alignment)), End::Host,
            SLOT(on_statusbarSetText(QString, Qt::Alignment)), Auto },
        { End::Screen, SIGNAL(on_signal_statusbar_SetText(QString, Qt::Alignment)), End::Host,
            SLOT(on_statusbarSetText(QString, Qt::Alignment)), Auto },
        { End::Host, SIGNAL(on_signal_pmgr_statusbar_finish()), End::Screen,
            SLOT(on_changed_items()), Queued },
        { End::Host, SIGNAL(on_signal_pmgr_statusbar_finish()), End::Screen,
            SLOT(on_statusbar_finish()), Queued },
        { End::Host, SIGNAL(on_signal_pmgr_finished_transfer_tophone(int, QString, QString)),
            End::Self, SLOT(on_finished_transfer_tophone(int, QString, QString)), Queued },
        { End::Host,
            SIGNAL(
                on_signal_pmgr_leftview_actionsubitem(ITEM_TYPE, QString, QString, QString, int)),
            End::Screen, SLOT(on_leftview_actionsubitem(ITEM_TYPE, QString, QString, QString, int)),
            Auto },
        { End::Host, SIGNAL(on_signal_pmgr_droped_data(const QMimeData*, int, DROP_LOCATION)),
            End::Self, SLOT(on_droped_data(const QMimeData*, int, DROP_LOCATION)), Auto },
        { End::Self, SIGNAL(on_signal_transfer_to_pc(int, QStringList, qint64, int)), End::Host,
            SLOT(on_transfer_to_pc_withTotalSize(int, QStringList, qint64, int)), Auto },
        { End::Self, SIGNAL(on_signal_transfer_to_phone(int, QStringList)), End::Host,
            SLOT(on_transfer_to_phone(int, QStringList)), Auto },
        { End::Self, SIGNAL(on_signal_transfer_to_phone(int, int)), End::Host,
            SLOT(on_transfer_to_phone(int, int)), Auto },
        { End::Self, SIGNAL(on_signal_transfer_to_pc(int, QString, QString, qint64, quintptr)),
            End::Host, SLOT(on_transfer_to_pc(int, QString, QString, qint64, quintptr)), Auto },
        { End::Screen, SIGNAL(on_signal_topc_status(bool)), End::Host, SLOT(on_topc_status(bool)),
            Auto },
        { End::Host, SIGNAL(on_siganl_pmgr_topc_click()), End::Screen, SLOT(on_topc_click()),
            Auto },
        { End::Host, SIGNAL(on_signal_devicechange(bool)), End::Screen,
            SIGNAL(on_signal_devicechange(bool)), Auto },
        { End::Host, SIGNAL(on_signal_devicechange(bool)), End::Screen,
            SIGNAL(on_signal_messagebox_close()), Auto },
        { End::Host, SIGNAL(on_signal_SDCardchange(bool, QString)), End::Screen,
            SLOT(on_SDCardchange(bool, QString)), Auto },
        { End::Screen, SIGNAL(on_signal_plugin_pairwidget(ITEM_TYPE, QWidget*)), End::Host,
            SLOT(on_plugin_pairwidget(ITEM_TYPE, QWidget*)), Auto },
        { End::Host, SIGNAL(on_signal_pmgr_plugin_pairwidget(ITEM_TYPE, QWidget*)), End::Screen,
            SLOT(on_plugin_pairwidget(ITEM_TYPE, QWidget*)), Auto },
        { End::Screen, SIGNAL(on_signal_showModechangeLoading(bool, ITEM_TYPE)), End::Host,
            SIGNAL(on_signal_pmgr_showModechangeLoading(bool, ITEM_TYPE)), Auto },
        { End::Host, SIGNAL(signalPropertyFromMainMenu()), End::Screen, SLOT(on_property()), Auto },
        { End::Host, SIGNAL(signalShowInWindowsFromMainMenu()), End::Screen,
            SLOT(on_showinwindows()), Auto },
        { End::Host, SIGNAL(signalCopyFromMainMenu()), End::Screen, SLOT(on_copy()), Auto },
        { End::Host, SIGNAL(signalPasteFromMainMenu()), End::Screen, SLOT(on_paste()), Auto },
        { End::Host, SIGNAL(signalDeleteFromMainMenu()), End::Screen, SLOT(on_delete()), Auto },
        { End::Host, SIGNAL(signalSelectAllFromMainMenu()), End::Screen, SLOT(on_selectall()),
            Auto },
        { End::Host, SIGNAL(signalSelectNoneFromMainMenu()), End::Screen, SLOT(on_selectnone()),
            Auto },
        { End::Host, SIGNAL(signalMusicPlayFromMainMenu()), End::Screen, SLOT(on_view()), Auto },
        { End::Host, SIGNAL(on_signal_memcombo_changeStart()), End::Screen,
            SLOT(on_memcombo_changeStart()), Auto },
        { End::Host, SIGNAL(on_signal_memcombo_changeEnd(bool)), End::Screen,
            SLOT(on_memcombo_changeEnd(bool)), Auto },
        { End::Host, SIGNAL(on_signal_device_init(int)), End::Screen, SLOT(on_device_init(int)),
            Auto },
        { End::Host, SIGNAL(on_signal_device_refresh(int)), End::Screen,
            SLOT(on_device_refresh(int)), Auto },
        { End::Host, SIGNAL(on_signal_pmgr_import_finished(int)), End::Screen,
            SLOT(on_import_finished(int)), Auto },
        { End::Screen, SIGNAL(on_signal_device_refresh_finish(int)), End::Host,
            SLOT(on_device_refresh_finish(int)), Auto },
        { End::Screen, SIGNAL(on_signal_showTutorialMove(bool, int, int)), End::Host,
            SIGNAL(on_signal_pmgr_showTutorialMove(bool, int, int)), Auto },
        { End::Screen, SIGNAL(on_signal_hideTutorialMove(bool)), End::Host,
            SIGNAL(on_signal_pmgr_hideTutorialMove(bool)), Auto },
    };
    auto object = [this, pmgr](End end) -> QObject* {
        switch (end) {
        case End::Host:
            return pmgr;
        case End::Screen:
            return m_view;
        case End::Self:
            break;
        }
        return this;
    };
    for (const Route& route : routes) {
        if (!connect(object(route.from), route.signal, object(route.to), route.method, route.type))
            qCWarning(lcPlugin) << "OCPluginWidget::ConnectHost : not connected" << route.signal
                                << route.method;
    }
}

void OCPluginWidget::on_droped_data(
    const QMimeData* data, int playlistid, DROP_LOCATION nDropLocation)
{
    if (nDropLocation != OCGlobal::DROP_CONTENTS || !data || !m_model)
        return;
    // Only a text the drag carries itself: QMimeData::text() and hasText()
    // fall back to the file list.
    const QString text = data->hasFormat(QStringLiteral("text/plain")) ? data->text() : QString();
    if (text.isEmpty() && !IsSupportedFiles(OCGlobal::ITEM_PHONE_PHOTO, data->urls(), false))
        return;
    if (!text.isEmpty() && text != QLatin1String("pc_photo"))
        return;
    qCDebug(lcPlugin) << "OCPluginWidget::on_droped_data : playlist" << playlistid;
    m_model->dropMimeData(data, Qt::CopyAction, 0, 0, QModelIndex());
}

void OCPluginWidget::on_finished_transfer_tophone(
    int type, const QString& path, const QString& source)
{
    qCDebug(lcPlugin) << "OCPluginWidget::on_finished_transfer_tophone [MTP_TEST]"
                      << "start";
    if (type != kTransferType)
        return;
    qCDebug(lcPlugin) << "OCPluginWidget::on_finished_transfer_tophone "
                         "----------------------transfer to phone path(phone) :"
                      << path;
    QString phonePath = path;
    QString sourcePath = source;
    phonePath.replace(QLatin1Char('/'), QLatin1Char('\\'));
    sourcePath.replace(QLatin1Char('/'), QLatin1Char('\\'));
    m_view->AddTransferredItem(phonePath, sourcePath, 4);
    qCDebug(lcPlugin) << "OCPluginWidget::on_finished_transfer_tophone [MTP_TEST]"
                      << "end";
}

int OCPluginWidget::connectionKind() const
{
    return m_view ? m_view->fileAgentType() : 0;
}

void OCPluginWidget::hideDropIndicator()
{
    if (m_view && m_view->isVisible())
        m_view->hideDropIndicator();
}

void OCPluginWidget::transferToPhone(const QStringList& files)
{
    TransferToPhone(files);
}

void OCPluginWidget::transferPlaylistToPhone(int playlistId)
{
    TransferToPhone(playlistId);
}

PFN_FileContentsCallback OCPluginWidget::fileContentsCallback() const
{
    return &OCPluginWidget::FileContentsCallback;
}

QPixmap OCPluginWidget::cachedThumbnail(const QString& path) const
{
    return m_view ? m_view->GetThumbnail(path, true) : QPixmap();
}

void OCPluginWidget::TransferToPC(const QStringList& list, qint64 size, int playlistid)
{
    emit on_signal_transfer_to_pc(kTransferType, list, size, playlistid);
}

void OCPluginWidget::TransferToPhone(const QStringList& list)
{
    emit on_signal_transfer_to_phone(kTransferType, list);
}

void OCPluginWidget::TransferToPhone(int playlistid)
{
    emit on_signal_transfer_to_phone(kTransferType, playlistid);
}

void OCPluginWidget::TransferFileToPC(
    const QString& srcPath, const QString& tarPath, qint64 size, quintptr pFunc)
{
    emit on_signal_transfer_to_pc(kTransferType, srcPath, tarPath, size, pFunc);
}

void OCPluginWidget::FileContentsCallback(
    QString srcPath, QString tarPath, qint64 size, quintptr pFunc)
{
    const LiveWidget::Lease live = LiveWidget::acquire();
    if (auto* widget = static_cast<OCPluginWidget*>(live.widget()))
        widget->TransferFileToPC(srcPath, tarPath, size, pFunc);
}

void OCPluginWidget::keyPressEvent(QKeyEvent* event)
{
    // F5 belongs to the host's refresh; it must not reach the screen.
    if (event->key() == Qt::Key_F5) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OCPluginWidget::showEvent(QShowEvent* event)
{
    auto* root = dynamic_cast<OCPlugin*>(m_plugin);
    QWidget* parent = root ? root->parentWidget() : nullptr;
    if (!parent)
        return;
    setFixedSize(parent->width() - 1, parent->height());
    QWidget::showEvent(event);
}
