// property-preview: lists a sample phone into the plug-in the way
// screen-preview does, opens Properties on a camera photo that carries a
// position, and saves the dialog as a picture.
#include "dialogs/propertydialog.h"
#include "host/app/pluginmanager.h"
#include "host/contract/iplugins.h"
#include "host/contract/pluginhostcontext.h"
#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/device/samplephonegenerator.h"
#include "host/resources/hoststylesheet.h"
#include "host/services/ocmsgbox.h"
#include "host/services/registry.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "plugin/ocpluginwidget.h"
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

extern "C" QObject* qt_plugin_instance();

namespace {

// The first camera photo with a position, else the first camera photo.
QString pickPhoto(const SamplePhoneGenerator& generator, const QString& folder)
{
    QString picked;
    for (const SamplePhoto& photo : generator.photos()) {
        if (picked.isEmpty() || photo.hasPosition) {
            picked = QDir(folder).filePath(photo.relativePath);
            if (photo.hasPosition)
                break;
        }
    }
    return picked;
}

int fill(OCMediaItemList* list, PhotoItemViewModel* model, const SamplePhoneGenerator& generator,
    const QString& folder)
{
    for (const SamplePhoto& photo : generator.photos()) {
        ItemEvent event(ItemEventCode::Listed,
            std::make_unique<CPhotoDataItem>(QDir(folder).filePath(photo.relativePath)));
        if (CPhotoDataItem* item = list->updateInsertedItem(event, true))
            model->AddItem(item);
    }
    return model->rowCount();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Saves the photo properties dialog."));
    parser.addHelpOption();
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Picture to write."),
        QStringLiteral("FILE"), QStringLiteral("photo-properties.png"));
    parser.addOption(out);
    parser.process(app);

    QTemporaryDir work;
    SetRegistryFolder(work.filePath(QStringLiteral("config")));
    const QString folder = work.filePath(QStringLiteral("phone"));
    SamplePhoneOptions options;
    options.photoCount = 8;
    SamplePhoneGenerator generator(options);
    if (!work.isValid() || !generator.generate(folder)) {
        std::fprintf(stderr, "property-preview: no sample phone\n");
        return 1;
    }
    ApplyHostStyleSheet();
    OCMsgBox::SetAutomationResponder(
        [](const MessageBoxRequest&) { return quint32(MsgBoxFlag::Ok); });

    DBManager database(work.filePath(QStringLiteral("photo.db")));
    PhotoDB photoDatabase(&database, 1);
    FolderPhoneAgent agent(folder, ConnectionKind::MassStorage);
    PluginManager manager;
    PluginHostContext context { &agent, &database, &manager, &photoDatabase };
    QWidget window;
    window.resize(1000, 650);
    window.show();
    auto* plugin = qobject_cast<IPlugins*>(qt_plugin_instance());
    plugin->hostContext = &context;
    plugin->SetParentWidget(&window);
    auto* widget
        = qobject_cast<OCPluginWidget*>(plugin->CreateWidget(QStringLiteral("device_photo")));
    if (!widget)
        return 1;
    plugin->ShowWidget(true);
    fill(widget->mediaList(), widget->model(), generator, folder);
    PhotoItemViewWidget* screen = widget->view();
    QAbstractItemView* view = screen->viewOf(PhotoItemViewWidget::Current);
    const CPhotoDataItem* wanted = widget->mediaList()->findItem(
        QString(pickPhoto(generator, folder)).replace(QLatin1Char('/'), QLatin1Char('\\')), false);
    for (int row = 0; view && wanted && row < view->model()->rowCount(); ++row) {
        const QModelIndex index = view->model()->index(row, 0);
        if (index.data(PhotoRole::ItemPointerRole).value<quintptr>()
            == reinterpret_cast<quintptr>(wanted)) {
            view->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            break;
        }
    }

    bool saved = false;
    const QString file = parser.value(out);
    QTimer::singleShot(300, [&saved, file] {
        auto* dialog = qobject_cast<PropertyDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        saved = dialog->grab().save(file);
        dialog->reject();
    });
    screen->OnProperty();
    std::printf("property-preview: %s %s\n", qPrintable(file), saved ? "written" : "NOT written");
    plugin->DestroyWidget();
    SetRegistryFolder(QString());
    return saved ? 0 : 1;
}
