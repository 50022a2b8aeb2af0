#include "fuzzapplication.h"

#include "host/db/photometadatareader.h"
#include "host/services/fileutils.h"
#include "host/services/registry.h"

#include <QApplication>
#include <QTemporaryDir>

namespace {

void discardMessage(QtMsgType, const QMessageLogContext&, const QString&) { }

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

} // namespace

namespace FuzzApplication {

QApplication* instance()
{
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = { name, nullptr };
        qInstallMessageHandler(discardMessage);
        auto* app = new QApplication(argc, argv);
        SetRegistryFolder(scratch().filePath(QStringLiteral("config")));
        SetAppPath(scratch().filePath(QStringLiteral("appdata")));
        PhotoMetadataReader::initialize();
        return app;
    }();
    return application;
}

QString scratchFolder()
{
    return scratch().path();
}

} // namespace FuzzApplication
