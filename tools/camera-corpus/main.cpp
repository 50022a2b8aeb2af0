// make-camera-corpus: writes photos as phones and cameras write them.
#include "cameracorpus.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("make-camera-corpus"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes camera-like JPEGs of 1 to 24 megapixels, with EXIF previews of 160x120, "
        "320x240 or none, and a few PNG screenshots into FOLDER."));
    parser.addHelpOption();
    const QCommandLineOption photos(QStringLiteral("photos"),
        QStringLiteral("Photos (default 1000)."), QStringLiteral("n"), QStringLiteral("1000"));
    parser.addOption(photos);
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("Where to write."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    CameraCorpus corpus(parser.value(photos).toInt());
    if (!corpus.generate(parser.positionalArguments().constFirst())) {
        std::fprintf(stderr, "make-camera-corpus: %s\n", qPrintable(corpus.errorString()));
        return 1;
    }
    std::printf("make-camera-corpus: %d files\n", int(corpus.photos().size()));
    return 0;
}
