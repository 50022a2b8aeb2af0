#include "ocpluginwidget.h"

#include "ocplugin.h"
#include "ui_ocpluginwidget.h"

#include <QKeyEvent>
#include <QVBoxLayout>

OCPluginWidget* OCPluginWidget::s_instance = nullptr;

OCPluginWidget::OCPluginWidget(IPlugins* plugin, QWidget* parent)
    : QWidget(parent)
    , m_plugin(plugin)
{
    m_ui = new Ui::Widget;
    setObjectName(QStringLiteral("device_photo"));
    m_ui->setupUi(this);

    m_layout = new QVBoxLayout;
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    setLayout(m_layout);

    s_instance = this;
    setVisible(false);
    hide();
}

OCPluginWidget::~OCPluginWidget()
{
    s_instance = nullptr;
    delete m_layout;
    delete m_ui;
}

OCPluginWidget* OCPluginWidget::instance()
{
    return s_instance;
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
