// make-hostile-phone: builds the hostile phone in a folder and prints its table.
#include "hostilephone.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

const char* pictureText(HostilePhone::Picture picture)
{
    switch (picture) {
    case HostilePhone::Picture::Thumbnail:
        return "thumbnail";
    case HostilePhone::Picture::Placeholder:
        return "placeholder";
    case HostilePhone::Picture::Unusable:
        return "unusable";
    }
    return "";
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("make-hostile-phone"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Builds a phone of hostile files in FOLDER/phone (links lead to FOLDER/outside) and "
        "prints each entry with its expected outcome."));
    parser.addHelpOption();
    const QCommandLineOption small(QStringLiteral("small"),
        QStringLiteral("Leave out the sparse 2 and 4 GiB files and the 60000x60000 PNG."));
    parser.addOption(small);
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("Where to build."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    HostilePhone phone(parser.positionalArguments().constFirst(), !parser.isSet(small));
    if (!phone.build()) {
        std::fprintf(stderr, "make-hostile-phone: %s\n", qPrintable(phone.errorString()));
        return 1;
    }
    for (const HostilePhone::Entry& entry : phone.entries())
        std::printf("%s\t%s\t%s\n", qPrintable(entry.name), entry.listed ? "listed" : "not listed",
            entry.listed ? pictureText(entry.picture) : "-");
    std::printf("make-hostile-phone: %d entries in %s\n", int(phone.entries().size()),
        qPrintable(phone.storage()));
    return 0;
}
