#include "ocplugin.h"

#include "ocpluginwidget.h"

#include "host/services/logcategories.h"

#include <QDebug>
#include <QPointer>
#include <new>

namespace {
const char* const kPluginName = "device_photo";
}

OCPlugin::OCPlugin() = default;

// The widget is the host's to destroy (DestroyWidget) or its parent's.
OCPlugin::~OCPlugin() = default;

QString OCPlugin::GetName()
{
    return QString::fromLatin1(kPluginName);
}

QWidget* OCPlugin::CreateWidget(const QString& name)
{
    if (name != QLatin1String(kPluginName))
        return nullptr;
    if (m_widget)
        return m_widget;
    m_widget = new (std::nothrow) OCPluginWidget(this, m_parentWidget);
    if (m_widget) {
        m_widget->setWindowTitle(GetTitle());
        m_widget->setWindowFlags(Qt::SubWindow);
    } else {
        qCWarning(lcPlugin) << "OCPlugin::CreateWidget : failed to create the widget";
    }
    publishedWidget = m_widget;
    return m_widget;
}

bool OCPlugin::HasWidget(const QString& name)
{
    return name == QLatin1String(kPluginName) && m_widget;
}

QString OCPlugin::GetTitle()
{
    return tr("Photo");
}

bool OCPlugin::SetParentWidget(QWidget* parent)
{
    m_parentWidget = parent;
    return true;
}

bool OCPlugin::Prepare()
{
    return true;
}

bool OCPlugin::DestroyWidget()
{
    if (!m_widget)
        return true;
    OCPluginWidget* widget = m_widget;
    m_widget = nullptr;
    publishedWidget = nullptr;
    widget->close();
    if (!OCPluginWidget::WithdrawFromCallbacks()) {
        // A callback still uses it: a widget left alive beats a crash.
        qCWarning(lcPlugin) << "OCPlugin::DestroyWidget: left alive for a callback still under way";
        widget->hide();
        return true;
    }
    delete widget;
    return true;
}

bool OCPlugin::ShowWidget(bool show)
{
    if (!m_widget)
        return false;
    if (show) {
        if (!m_widget->isHidden()) {
            m_widget->raise();
            m_widget->activateWindow();
        } else {
            m_widget->show();
        }
    } else {
        m_widget->setHidden(true);
    }
    return true;
}

bool OCPlugin::Configure(quint32)
{
    return true;
}
