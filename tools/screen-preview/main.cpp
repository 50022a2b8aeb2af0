// screen-preview: builds the plug-in widget the way photo-host does (its
// entry, a folder agent over a phone, the photo database, the plug-in
// manager), lists the phone's photos into the model and saves the list,
// thumbnail-list and album pages as pictures.
#include "host/app/pluginmanager.h"
#include "host/contract/iplugins.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/device/samplephonegenerator.h"
#include "host/resources/hoststylesheet.h"
#include "host/services/mediaextensions.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/registry.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "plugin/ocpluginwidget.h"
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QItemSelectionModel>
#include <QTemporaryDir>

#include <cstdio>

extern "C" QObject* qt_plugin_instance();

namespace {

QStringList photoFiles(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (isPhotoExtension(fileExtension(file)))
            files << file;
    }
    files.sort();
    return files;
}

// What the listing would merge: one database row per file.
int fill(OCMediaItemList* list, PhotoItemViewModel* model, const QStringList& files)
{
    for (const QString& file : files) {
        ItemEvent event(ItemEventCode::Listed, std::make_unique<CPhotoDataItem>(file));
        if (CPhotoDataItem* item = list->updateInsertedItem(event, true))
            model->AddItem(item);
    }
    return model->rowCount();
}

bool save(QWidget& window, const QString& file)
{
    QCoreApplication::processEvents();
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "screen-preview: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("screen-preview: %s\n", qPrintable(file));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("screen-preview"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows the phone photo screen over a phone folder and saves its pages."));
    parser.addHelpOption();
    const QCommandLineOption phone(QStringLiteral("phone"),
        QStringLiteral("Phone folder (default: a generated sample phone)."), QStringLiteral("DIR"));
    const QCommandLineOption out(QStringLiteral("out-dir"),
        QStringLiteral("Folder for the pictures."), QStringLiteral("DIR"), QStringLiteral("."));
    const QCommandLineOption rtl(QStringLiteral("rtl"), QStringLiteral("Right-to-left layout."));
    parser.addOptions({ phone, out, rtl });
    parser.process(app);

    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "screen-preview: no temporary folder\n");
        return 1;
    }
    // Settings of this run only.
    SetRegistryFolder(work.filePath(QStringLiteral("config")));
    QString folder = parser.value(phone);
    if (folder.isEmpty()) {
        folder = work.filePath(QStringLiteral("phone"));
        SamplePhoneGenerator generator { SamplePhoneOptions() };
        if (!generator.generate(folder)) {
            std::fprintf(stderr, "screen-preview: %s\n", qPrintable(generator.errorString()));
            return 1;
        }
    }
    g_SharedValue.SetRTL(parser.isSet(rtl));
    if (parser.isSet(rtl))
        QApplication::setLayoutDirection(Qt::RightToLeft);
    ApplyHostStyleSheet();
    // The one-time notices would wait for a click.
    OCMsgBox::SetAutomationResponder(
        [](const MessageBoxRequest&) { return quint32(MsgBoxFlag::Ok); });

    DBManager database(work.filePath(QStringLiteral("photo.db")));
    PhotoDB photoDatabase(&database, 1);
    FolderPhoneAgent agent(folder, ConnectionKind::MassStorage);
    PluginManager manager;
    PluginHostContext context;
    context.deviceAgent = &agent;
    context.dbManager = &database;
    context.pluginManager = &manager;
    context.photoDatabase = &photoDatabase;

    QWidget window;
    window.resize(1100, 700);
    window.show();
    auto* plugin = qobject_cast<IPlugins*>(qt_plugin_instance());
    plugin->hostContext = &context;
    plugin->SetParentWidget(&window);
    auto* widget
        = qobject_cast<OCPluginWidget*>(plugin->CreateWidget(QStringLiteral("device_photo")));
    if (!widget) {
        std::fprintf(stderr, "screen-preview: no plug-in widget\n");
        return 1;
    }
    plugin->ShowWidget(true);
    const int rows = fill(widget->mediaList(), widget->model(), photoFiles(folder));
    emit manager.on_signal_pmgr_leftview_actionsubitem(OCGlobal::ITEM_PHONE_PHOTO,
        QStringLiteral("clicked"), QStringLiteral("Photo"), QString(), 0);

    const QString target = parser.value(out);
    const QString suffix = parser.isSet(rtl) ? QStringLiteral("-rtl") : QString();
    const char* const names[] = { "screen-list", "screen-thumblist", "screen-album" };
    for (int mode = 0; mode < 3; ++mode) {
        emit manager.on_signal_pmgr_changedType_View(mode);
        PhotoItemViewWidget* screen = widget->view();
        // Two photos picked, as a user would, to show the selection.
        if (QAbstractItemView* view = screen->viewOf(PhotoItemViewWidget::Current)) {
            for (int row : { 1, 2 })
                view->selectionModel()->select(view->model()->index(row, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        if (!save(
                window, QDir(target).filePath(QStringLiteral("%1%2.png").arg(names[mode], suffix))))
            return 1;
    }
    std::printf("screen-preview: %d photos\n", rows);
    plugin->DestroyWidget();
    // The settings were this run's only: closed before their folder goes.
    SetRegistryFolder(QString());
    return 0;
}
