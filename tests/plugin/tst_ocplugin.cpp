#include "host/contract/pluginhostcontext.h"
#include "plugin/ocplugin.h"
#include "plugin/ocpluginwidget.h"
#include "support/testenvironment.h"

#include <QEvent>
#include <QPointer>
#include <QtTest>

extern "C" QObject* qt_plugin_instance();

namespace {

// Counts show events of a widget.
class ShowCounter : public QObject
{
public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

} // namespace

class TestOCPlugin : public QObject
{
    Q_OBJECT

private:
    PluginHostContext m_context;

    IPlugins* freshPlugin(QWidget* parent)
    {
        auto* plugin = qobject_cast<IPlugins*>(qt_plugin_instance());
        plugin->hostContext = &m_context;
        plugin->SetParentWidget(parent);
        return plugin;
    }

private slots:
    void identifierIsExact_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("exact") << "device_photo" << true;
        QTest::newRow("letter case") << "Device_Photo" << false;
    }

    void identifierIsExact()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        TestEnvironment env;
        QWidget parent;
        IPlugins* plugin = freshPlugin(&parent);
        QVERIFY(!plugin->HasWidget("device_photo"));
        QWidget* widget = plugin->CreateWidget(name);
        QCOMPARE(widget != nullptr, accepted);
        QCOMPARE(plugin->HasWidget(name), accepted);
        QVERIFY(plugin->DestroyWidget());
        QVERIFY(!plugin->HasWidget("device_photo"));
        QVERIFY(plugin->DestroyWidget()); // true without a widget too
    }

    void secondCreateKeepsTheWidgetAsItIs()
    {
        TestEnvironment env;
        QWidget parent;
        IPlugins* plugin = freshPlugin(&parent);
        QWidget* widget = plugin->CreateWidget("device_photo");
        QCOMPARE(OCPluginWidget::instance(), widget);
        widget->setWindowTitle("changed");
        widget->setWindowFlags(Qt::Widget);
        QCOMPARE(plugin->CreateWidget("device_photo"), widget);
        QCOMPARE(widget->windowTitle(), QString("changed"));
        QCOMPARE(widget->windowFlags(), Qt::WindowFlags(Qt::Widget));
        plugin->DestroyWidget();
        QVERIFY(!OCPluginWidget::instance());
    }

    void showHideAndRaise()
    {
        TestEnvironment env;
        QWidget parent;
        parent.resize(640, 480);
        parent.show();
        IPlugins* plugin = freshPlugin(&parent);
        QVERIFY(!plugin->ShowWidget(true)); // no widget yet
        QWidget* widget = plugin->CreateWidget("device_photo");
        QVERIFY(widget->isHidden());
        ShowCounter counter;
        widget->installEventFilter(&counter);
        QVERIFY(plugin->ShowWidget(true));
        QVERIFY(!widget->isHidden());
        QCOMPARE(counter.shows, 1);
        QVERIFY(plugin->ShowWidget(true)); // raised and activated, not shown again
        QCOMPARE(counter.shows, 1);
        QVERIFY(plugin->ShowWidget(false));
        QVERIFY(widget->isHidden());
        plugin->DestroyWidget();
    }
};

QTEST_MAIN(TestOCPlugin)
#include "tst_ocplugin.moc"
