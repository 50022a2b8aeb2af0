// make-sample-phone: writes a generated phone storage into a folder.
#include "host/device/samplephonegenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("make-sample-phone"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a sample phone's storage into FOLDER."));
    parser.addHelpOption();
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed (default 1)."),
        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption photos(QStringLiteral("photos"),
        QStringLiteral("Camera photos (default 24)."), QStringLiteral("n"), QStringLiteral("24"));
    const QCommandLineOption large(QStringLiteral("large"), QStringLiteral("12-megapixel photos."));
    const QCommandLineOption noPreview(
        QStringLiteral("no-preview"), QStringLiteral("No embedded EXIF previews."));
    const QCommandLineOption noExtras(
        QStringLiteral("photos-only"), QStringLiteral("Only camera photos, no other files."));
    const QCommandLineOption distinct(QStringLiteral("distinct"),
        QStringLiteral("Photos reuse this many pictures (0: all differ)."), QStringLiteral("n"),
        QStringLiteral("0"));
    parser.addOptions({ seed, photos, large, noPreview, noExtras, distinct });
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("Where to write."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    SamplePhoneOptions options;
    options.seed = parser.value(seed).toUInt();
    options.photoCount = parser.value(photos).toInt();
    options.largePhotos = parser.isSet(large);
    options.embedPreview = !parser.isSet(noPreview);
    options.extras = !parser.isSet(noExtras);
    options.distinctPictures = parser.value(distinct).toInt();
    SamplePhoneGenerator generator(options);
    if (!generator.generate(parser.positionalArguments().constFirst())) {
        std::fprintf(stderr, "make-sample-phone: %s\n", qPrintable(generator.errorString()));
        return 1;
    }
    std::printf("make-sample-phone: %d files, %d photos\n", int(generator.files().size()),
        int(generator.photos().size()));
    return 0;
}
