#include "headlessimport.h"

#include "host/db/dbmanager.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "hostsession.h"
#include "phonecatalog.h"

#include <QDir>
#include <QEventLoop>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>

#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    // A second Ctrl+C ends the process at once.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

// Ctrl+C and SIGTERM reach the event loop as a readable socket.
class InterruptNotifier
{
public:
    explicit InterruptNotifier(std::function<void()> onInterrupt)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [onInterrupt] {
            char byte = 0;
            [[maybe_unused]] const ssize_t got = ::read(g_signalPipe[0], &byte, 1);
            onInterrupt();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
    ~InterruptNotifier()
    {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        m_notifier.reset();
        for (int& fd : g_signalPipe) {
            if (fd != -1)
                ::close(fd);
            fd = -1;
        }
    }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

QString photos(int count)
{
    return count == 1 ? QStringLiteral("1 photo") : QStringLiteral("%1 photos").arg(count);
}

} // namespace

HeadlessImport::HeadlessImport(const HostOptions& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
{
}

int HeadlessImport::exitCodeOf(const ImportSummary& summary)
{
    if (summary.cancelled)
        return Cancelled;
    if (!summary.failed.isEmpty() || summary.copied + summary.alreadyThere < summary.photos)
        return NotAllCopied;
    if (!summary.kept.isEmpty())
        return KeptOnPhone;
    return Complete;
}

QString HeadlessImport::summaryLine(const ImportSummary& summary, const QString& phone)
{
    QString line = QStringLiteral("photo-host: %1%2 of %3 into %4: %5 copied, %6 already there, "
                                  "%7 not copied")
                       .arg(summary.cancelled ? QStringLiteral("cancelled: ") : QString(),
                           photos(summary.photos), phone, summary.destination)
                       .arg(summary.copied)
                       .arg(summary.alreadyThere)
                       .arg(summary.failed.size());
    if (summary.deleteAfter)
        line += QStringLiteral(", %1 deleted from the phone, %2 kept on it")
                    .arg(summary.deleted)
                    .arg(summary.kept.size());
    return line;
}

int HeadlessImport::run()
{
    QString error;
    if (!HostSession::useFolders(m_options, &error)) {
        std::fprintf(stderr, "photo-host: %s\n", qPrintable(error));
        return CannotStart;
    }
    HostSession session(m_options);
    if (!session.open(nullptr, &error)) {
        std::fprintf(stderr, "photo-host: %s\n", qPrintable(error));
        return CannotStart;
    }
    IDeviceNexaAgent* agent = session.agent();
    const QString phone = session.phoneName();

    QEventLoop loop;
    QList<ImportSource> sources;
    QString listingError;
    PhoneCatalog catalog(agent);
    connect(&catalog, &PhoneCatalog::listed, &loop, [&](const QList<ImportSource>& photos) {
        sources = photos;
        loop.quit();
    });
    connect(&catalog, &PhoneCatalog::failed, &loop, [&](const QString& reason) {
        listingError = reason;
        loop.quit();
    });
    catalog.start(m_options.listedTimeoutSeconds * 1000);
    loop.exec();
    if (!listingError.isEmpty()) {
        std::fprintf(stderr, "photo-host: %s: %s\n", qPrintable(phone), qPrintable(listingError));
        return NotListed;
    }

    ImportEngine engine(agent, session.context()->dbManager);
    engine.setCheckFolder(QDir(GetAppPath()).filePath(QStringLiteral("Temp")));
    ImportRequest request;
    request.sources = sources;
    request.destination = m_options.importDestination;
    request.layout = ImportLayout::Kind(m_options.importLayout);
    request.deleteAfter = m_options.deleteAfterImport;
    ImportSummary summary;
    connect(&engine, &ImportEngine::finished, &loop, [&](const ImportSummary& result) {
        summary = result;
        loop.quit();
    });
    InterruptNotifier interrupt([&engine] { engine.cancel(); });
    if (!engine.start(request)) {
        std::fprintf(stderr, "photo-host: another import is running\n");
        return CannotStart;
    }
    loop.exec();

    for (const ImportProblem& problem : qAsConst(summary.failed))
        std::fprintf(stderr, "photo-host: not copied: %s: %s\n", qPrintable(problem.phonePath),
            qPrintable(problem.reason));
    for (const ImportProblem& problem : qAsConst(summary.kept))
        std::fprintf(stderr, "photo-host: kept on the phone: %s: %s\n",
            qPrintable(problem.phonePath), qPrintable(problem.reason));
    std::printf("%s\n", qPrintable(summaryLine(summary, phone)));
    std::fflush(stdout);
    qCDebug(lcHostApp) << "HeadlessImport::run :" << summaryLine(summary, phone);
    return exitCodeOf(summary);
}
