#pragma once

#include "host/contract/iplugins.h"

#include <QObject>

class OCPluginWidget;

// The plug-in's root object: the host creates, shows, hides and destroys the
// phone photo screen through it.
class OCPlugin : public QObject, public IPlugins
{
    Q_OBJECT
    Q_INTERFACES(IPlugins)

public:
    OCPlugin();
    ~OCPlugin() override;

    QString GetName() override;
    QWidget* CreateWidget(const QString& name) override;
    bool HasWidget(const QString& name) override;
    QString GetTitle() override;
    bool SetParentWidget(QWidget* parent) override;
    bool Prepare() override;
    bool DestroyWidget() override;
    bool ShowWidget(bool show) override;
    bool Configure(quint32 value) override;

    QWidget* parentWidget() const { return m_parentWidget; }

private:
    QWidget* m_parentWidget = nullptr;
    OCPluginWidget* m_widget = nullptr;
};
