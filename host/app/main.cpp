#include "headlessimport.h"
#include "host/device/gphotolibrary.h"
#include "hostapplication.h"
#include "hostoptions.h"

#include <QApplication>

#include <memory>

#include <cstdio>

namespace {

// Needs no display: it runs before the application is built.
int listDevices()
{
    QList<GPhotoDeviceId> devices;
    QString error;
    if (!GPhotoLibrary::detect(&devices, &error)) {
        std::fprintf(stderr, "photo-host: cannot look for devices: %s\n", qPrintable(error));
        return 1;
    }
    // One per line: the model, a tab, the port; what --camera and --port take.
    for (const GPhotoDeviceId& device : qAsConst(devices))
        std::printf("%s\t%s\n", qPrintable(device.model), qPrintable(device.port));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Without TZ, glibc reads /etc/localtime again for every local time it
    // converts; naming the same file once keeps date conversions cheap.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--list-devices") == 0)
            return listDevices();
    }
    // An import needs no display: it must run where there is none.
    std::unique_ptr<QCoreApplication> app = HostOptions::asksForImport(argc, argv)
        ? std::make_unique<QCoreApplication>(argc, argv)
        : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("photo-host"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));

    HostOptions options;
    QString error;
    if (!HostOptions::parse(QCoreApplication::arguments(), options, error)) {
        const bool help = QCoreApplication::arguments().contains(QStringLiteral("--help"))
            || QCoreApplication::arguments().contains(QStringLiteral("-h"));
        std::fprintf(help ? stdout : stderr, "%s\n", qPrintable(error));
        return help ? HostApplication::ExitDone : HostApplication::ExitBadArguments;
    }
    if (options.isHeadlessImport())
        return HeadlessImport(options).run();

    HostApplication host(options);
    if (!host.start())
        return HostApplication::ExitCannotStart;
    const int code = QCoreApplication::exec();
    host.shutDown();
    return code;
}
