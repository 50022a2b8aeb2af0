#include "listingnotice.h"

#include "host/contract/ideviceagent.h"
#include "host/services/textutils.h"

#include <QStringList>

namespace {

// A path too long to read in a notice keeps its start and its end.
QString elided(const QString& path)
{
    const int keep = 40;
    return path.size() <= 2 * keep + 1 ? path : path.left(keep) + QChar(0x2026) + path.right(keep);
}

} // namespace

QString ListingNotice::skippedText(const ListingReport& report)
{
    const int total = report.skippedTotal();
    if (total == 0)
        return QString();
    const char* const reasons[ListingReport::ReasonCount] = {
        QT_TR_NOOP("special files (FIFO, socket or device), never opened: %1"),
        QT_TR_NOOP("links that lead outside the phone: %1"),
        QT_TR_NOOP("broken or looping links, unreadable folders or names: %1"),
        QT_TR_NOOP("paths longer than the system allows: %1"),
    };
    QStringList lines;
    lines << (total == 1 ? GetQString(tr("1 file on the phone was not listed."))
                         : GetQString(tr("%1 files on the phone were not listed.")).arg(total));
    for (int reason = 0; reason < ListingReport::ReasonCount; ++reason) {
        if (report.skipped[reason] > 0)
            lines << GetQString(tr(reasons[reason])).arg(report.skipped[reason]);
    }
    if (!report.examples.isEmpty()) {
        QStringList examples;
        for (const QString& path : report.examples)
            examples << elided(path);
        lines << GetQString(tr("Among them: %1")).arg(examples.join(QStringLiteral(", ")));
    }
    return lines.join(QLatin1Char('\n'));
}

QString ListingNotice::incompleteText(const ListingReport& report)
{
    if (!report.ran || report.complete)
        return QString();
    if (report.error == AgentResult::Disconnected)
        return GetQString(tr("The phone went away during the listing, after %1 files: the "
                             "list is not complete."))
            .arg(report.listed);
    return GetQString(tr("The listing stopped with error %1 after %2 files: the list is not "
                         "complete."))
        .arg(report.error)
        .arg(report.listed);
}
