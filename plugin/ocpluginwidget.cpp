#include "ocpluginwidget.h"

#include "host/contract/iplugins.h"
#include "host/contract/pluginhostcontext.h"
#include "model/metatypes.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "ocplugin.h"
#include "screen/photoitemviewwidget.h"
#include "ui_ocpluginwidget.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include <atomic>

namespace {
// Read by the drag-out callback, which may run off the GUI thread.
std::atomic<OCPluginWidget*> g_instance { nullptr };
} // namespace

OCPluginWidget* OCPluginWidget::s_instance = nullptr;

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
    m_mediaList = new OCMediaItemList(context);

    m_view = new PhotoItemViewWidget(this);
    m_view->setHostContext(context);
    m_view->setMediaList(m_mediaList);
    m_view->setModel(m_model);

    m_layout = new QVBoxLayout;
    m_layout->addWidget(m_view);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    setLayout(m_layout);

    s_instance = this;
    g_instance = this;
    setVisible(false);
    hide();
}

OCPluginWidget::~OCPluginWidget()
{
    s_instance = nullptr;
    g_instance = nullptr;
    delete m_layout;
    delete m_view;
    delete m_model;
    delete m_mediaList;
    delete m_ui;
}

OCPluginWidget* OCPluginWidget::instance()
{
    return s_instance;
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
    if (OCPluginWidget* widget = g_instance.load())
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
