#include "host/device/gphotolibrary.h"
#include "hostapplication.h"
#include "hostoptions.h"

#include <QApplication>

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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("photo-host"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));

    HostOptions options;
    QString error;
    if (!HostOptions::parse(QApplication::arguments(), options, error)) {
        const bool help = QApplication::arguments().contains(QStringLiteral("--help"))
            || QApplication::arguments().contains(QStringLiteral("-h"));
        std::fprintf(help ? stdout : stderr, "%s\n", qPrintable(error));
        return help ? 0 : 2;
    }

    HostApplication host(options);
    if (!host.start())
        return 1;
    const int code = QApplication::exec();
    host.shutDown();
    return code;
}
