#include "hostoptions.h"

#include "host/contract/ideviceagent.h"
#include "importlayout.h"

#include <QCommandLineParser>

#include <cstring>

namespace {
const QStringList kViews
    = { QStringLiteral("list"), QStringLiteral("thumbs"), QStringLiteral("album") };
} // namespace

int HostOptions::viewMode() const
{
    return view.isEmpty() ? -1 : kViews.indexOf(view);
}

bool HostOptions::asksForImport(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--import") == 0 || std::strncmp(argv[i], "--import=", 9) == 0)
            return true;
    }
    return false;
}

namespace {

bool parseImport(const QCommandLineParser& parser, const QCommandLineOption& import,
    const QCommandLineOption& layout, const QCommandLineOption& deleteAfter, HostOptions& options,
    QString& error)
{
    if (!parser.isSet(import)) {
        if (parser.isSet(layout) || parser.isSet(deleteAfter)) {
            error = QStringLiteral("--layout and --delete-after go with --import DEST");
            return false;
        }
        return true;
    }
    ImportLayout::Kind kind = ImportLayout::ByDate;
    if (!ImportLayout::fromName(parser.value(layout), &kind)) {
        error = QStringLiteral("unknown layout: %1 (use %2)")
                    .arg(parser.value(layout), ImportLayout::names().join(QStringLiteral(", ")));
        return false;
    }
    if (!parser.isSet(QStringLiteral("phone")) && !parser.isSet(QStringLiteral("demo"))
        && !parser.isSet(QStringLiteral("camera"))) {
        error = QStringLiteral("--import needs a phone: --phone DIR, --camera MODEL --port PORT or --demo");
        return false;
    }
    for (const char* windowOnly : { "screenshot", "quit-when-listed", "dump-list", "view" }) {
        if (parser.isSet(QLatin1String(windowOnly))) {
            error = QStringLiteral("--import runs without a window: leave out --%1")
                        .arg(QLatin1String(windowOnly));
            return false;
        }
    }
    options.importDestination = parser.value(import);
    options.importLayout = kind;
    options.deleteAfterImport = parser.isSet(deleteAfter);
    return true;
}

} // namespace

bool HostOptions::parse(const QStringList& arguments, HostOptions& options, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the photos of a connected phone."));
    parser.addHelpOption();
    const QCommandLineOption phone(QStringLiteral("phone"),
        QStringLiteral("Open the phone whose storage is DIR."), QStringLiteral("DIR"));
    const QCommandLineOption demo(QStringLiteral("demo"),
        QStringLiteral("Generate a sample phone in the cache folder and open it."));
    const QCommandLineOption camera(QStringLiteral("camera"),
        QStringLiteral("Open the phone or camera of libgphoto2's model MODEL (with --port)."),
        QStringLiteral("MODEL"));
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("The port of --camera: usb:BUS,DEVICE, or disk:DIR for a folder."),
        QStringLiteral("PORT"));
    const QCommandLineOption listDevices(QStringLiteral("list-devices"),
        QStringLiteral("Print the connected phones and cameras, one per line, and quit."));
    const QCommandLineOption connection(QStringLiteral("connection"),
        QStringLiteral("How the phone is connected: mass, mtp or mtp-basic."),
        QStringLiteral("KIND"), QStringLiteral("mass"));
    const QCommandLineOption partial(QStringLiteral("partial-loading"),
        QStringLiteral("Load thumbnails in parts through the host."));
    const QCommandLineOption rtl(QStringLiteral("rtl"), QStringLiteral("Right-to-left layout."));
    const QCommandLineOption view(QStringLiteral("view"),
        QStringLiteral("Start in the view list, thumbs or album."), QStringLiteral("VIEW"));
    const QCommandLineOption configDir(QStringLiteral("config-dir"),
        QStringLiteral("Keep settings in DIR."), QStringLiteral("DIR"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
        QStringLiteral("Save a picture of the window to FILE and quit."), QStringLiteral("FILE"));
    const QCommandLineOption quitWhenListed(
        QStringLiteral("quit-when-listed"), QStringLiteral("Quit once the phone is listed."));
    const QCommandLineOption dumpList(QStringLiteral("dump-list"),
        QStringLiteral("Write the list table to FILE once listed."), QStringLiteral("FILE"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
        QStringLiteral("Give up waiting for the listing after SECONDS (default 300)."),
        QStringLiteral("SECONDS"), QStringLiteral("300"));
    const QCommandLineOption verbose(
        QStringLiteral("verbose"), QStringLiteral("Log to stderr as well."));
    const QCommandLineOption plugin(QStringLiteral("plugin-library"),
        QStringLiteral("Load the photo plug-in from FILE."), QStringLiteral("FILE"));
    const QCommandLineOption import(QStringLiteral("import"),
        QStringLiteral("Import the phone's photos into DEST without a window, then quit."),
        QStringLiteral("DEST"));
    const QCommandLineOption layout(QStringLiteral("layout"),
        QStringLiteral("With --import: folders by date (default), flat or by phone folder."),
        QStringLiteral("date|flat|folder"), QStringLiteral("date"));
    const QCommandLineOption deleteAfter(QStringLiteral("delete-after"),
        QStringLiteral("With --import: delete from the phone each photo whose copy matches it."));
    parser.addOptions({ phone, demo, camera, port, listDevices, connection, partial, rtl, view,
        configDir, screenshot, quitWhenListed, dumpList, timeout, verbose, plugin, import, layout,
        deleteAfter });
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        error = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument: %1")
                    .arg(parser.positionalArguments().constFirst());
        return false;
    }
    if (int(parser.isSet(phone)) + int(parser.isSet(demo)) + int(parser.isSet(camera)) > 1) {
        error = QStringLiteral("--phone, --demo and --camera exclude each other: open one phone");
        return false;
    }
    if (parser.isSet(camera) != parser.isSet(port)) {
        error = QStringLiteral("--camera and --port go together: name the model and its port");
        return false;
    }
    // An empty value would silently mean "the current folder" or "nowhere".
    for (const QCommandLineOption* option :
        { &phone, &camera, &port, &configDir, &screenshot, &dumpList, &plugin, &import }) {
        if (parser.isSet(*option) && parser.value(*option).trimmed().isEmpty()) {
            error
                = QStringLiteral("--%1 needs a non-empty value").arg(option->names().constFirst());
            return false;
        }
    }

    const QString kind = parser.value(connection);
    if (kind == QLatin1String("mass"))
        options.connectionKind = ConnectionKind::MassStorage;
    else if (kind == QLatin1String("mtp"))
        options.connectionKind = ConnectionKind::Mtp;
    else if (kind == QLatin1String("mtp-basic"))
        options.connectionKind = ConnectionKind::MtpBasic;
    else {
        error
            = QStringLiteral("unknown connection kind: %1 (use mass, mtp or mtp-basic)").arg(kind);
        return false;
    }
    bool secondsOk = false;
    options.listedTimeoutSeconds = parser.value(timeout).toInt(&secondsOk);
    if (!secondsOk || options.listedTimeoutSeconds <= 0) {
        error = QStringLiteral("--timeout needs a number of seconds above 0");
        return false;
    }
    options.view = parser.value(view);
    if (parser.isSet(view) && !kViews.contains(options.view)) {
        error = QStringLiteral("unknown view: %1 (use list, thumbs or album)").arg(options.view);
        return false;
    }
    if (!parseImport(parser, import, layout, deleteAfter, options, error))
        return false;
    options.phoneFolder = parser.value(phone);
    options.cameraModel = parser.value(camera);
    options.cameraPort = parser.value(port);
    options.listDevices = parser.isSet(listDevices);
    options.demo = parser.isSet(demo);
    options.partialLoading = parser.isSet(partial);
    options.rtl = parser.isSet(rtl);
    options.configDir = parser.value(configDir);
    options.screenshotFile = parser.value(screenshot);
    options.quitWhenListed = parser.isSet(quitWhenListed);
    options.dumpListFile = parser.value(dumpList);
    options.verbose = parser.isSet(verbose);
    options.pluginPath = parser.value(plugin);
    return true;
}
