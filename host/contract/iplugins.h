#pragma once

#include <QString>
#include <QtPlugin>

class QWidget;
struct PluginHostContext;

// The host's plug-in interface. Its layout is shared with the host: nine pure
// operations in this order, no virtual destructor, then the two data members.
class IPlugins
{
public:
    virtual QString GetName() = 0;
    virtual QWidget* CreateWidget(const QString& name) = 0;
    virtual bool HasWidget(const QString& name) = 0;
    virtual QString GetTitle() = 0;
    virtual bool SetParentWidget(QWidget* parent) = 0;
    virtual bool Prepare() = 0;
    virtual bool DestroyWidget() = 0;
    virtual bool ShowWidget(bool show) = 0;
    virtual bool Configure(quint32 value) = 0;

    PluginHostContext* hostContext = nullptr;  // written by the host before CreateWidget
    QWidget* publishedWidget = nullptr;        // written by CreateWidget

protected:
    // Owners delete the concrete object, never through this interface.
    ~IPlugins() = default;
};

#define IPlugins_iid "com.orvane.suite.IPlugins/1.0"
Q_DECLARE_INTERFACE(IPlugins, IPlugins_iid)

// The record that qt_plugin_query_verification_data returns; the loader
// refuses a library whose record differs.
#define OC_PLUGIN_VERIFICATION_DATA                                                               \
    "pattern=QT_PLUGIN_VERIFICATION_DATA\nversion=4.8.2\ndebug=false\nbuildkey=Windows msvc "      \
    "release full-config"
