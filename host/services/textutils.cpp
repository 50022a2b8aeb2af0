#include "textutils.h"

#include "fileutils.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

namespace {

QMutex g_overrideMutex;
QHash<QString, QString> g_overrides;

QString lastSegment(const QString& path)
{
    const int cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

QString formatScaled(double value, const char* unit)
{
    const int decimals = value < 10 ? 2 : (value < 100 ? 1 : 0);
    return QStringLiteral("%1 %2").arg(QLocale().toString(value, 'f', decimals), QLatin1String(unit));
}

} // namespace

QString GetQString(const QString& text)
{
    QMutexLocker lock(&g_overrideMutex);
    return g_overrides.value(text, text);
}

void SetHostStringOverride(const QString& text, const QString& display)
{
    QMutexLocker lock(&g_overrideMutex);
    g_overrides.insert(text, display);
}

QString GetSize(qint64 bytes, int unit)
{
    static const char* const units[] = {"Bytes", "KB", "MB", "GB", "TB"};
    if (bytes < 0)
        bytes = 0;
    int index = 0;
    double value = double(bytes);
    if (unit >= 1 && unit <= 4) {
        index = unit - 1;
        for (int i = 0; i < index; ++i)
            value /= 1024.0;
    } else {
        while (value >= 1024.0 && index < 4) {
            value /= 1024.0;
            ++index;
        }
    }
    if (index == 0)
        return bytes == 1 ? QStringLiteral("1 Byte") : QStringLiteral("%1 Bytes").arg(bytes);
    return formatScaled(value, units[index]);
}

QString GetFormattedDate(const QDate& date)
{
    if (!date.isValid())
        return QString();
    return QLocale().toString(date, QStringLiteral("MMM d, yyyy"));
}

QString GetFormattedDateTime(const QDateTime& time)
{
    if (!time.isValid())
        return QString();
    return QLocale().toString(time, QStringLiteral("MMM d, yyyy hh:mm"));
}

QString getFileName(const QString& path, bool withExtension)
{
    // The name as the file system has it ("\\" inside a name is escaped in stored paths).
    const QString name = toFileSystemPath(lastSegment(path));
    if (withExtension)
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString getFileDir(const QString& path)
{
    const int cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? QString() : path.left(cut);
}

int removeDuplicateFileName(QStringList& paths)
{
    QSet<QString> seen;
    QStringList kept;
    kept.reserve(paths.size());
    for (const QString& path : qAsConst(paths)) {
        const QString key = pathKey(path);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        kept.append(path);
    }
    const int dropped = paths.size() - kept.size();
    paths = kept;
    return dropped;
}

QString getWordWrapElidedText(const QString& text, const QFont& font, int width, int lines,
                              bool breakAtWords)
{
    if (text.isEmpty() || width <= 0 || lines <= 0)
        return QString();
    const QFontMetrics metrics(font);
    QStringList out;
    QString rest = text;
    while (!rest.isEmpty() && out.size() < lines - 1) {
        int fit = 0;
        while (fit < rest.size() && metrics.horizontalAdvance(rest.left(fit + 1)) <= width)
            ++fit;
        if (fit == 0)
            fit = 1;  // one glyph wider than the box still makes progress
        if (fit >= rest.size()) {
            out.append(rest);
            rest.clear();
            break;
        }
        if (breakAtWords) {
            const int space = rest.left(fit).lastIndexOf(QLatin1Char(' '));
            if (space > 0)
                fit = space + 1;
        }
        out.append(rest.left(fit));
        rest = rest.mid(fit);
    }
    if (!rest.isEmpty())
        out.append(metrics.elidedText(rest, Qt::ElideRight, width));
    return out.join(QLatin1Char('\n'));
}

QString getWordWrapToolTip(const QString& text, bool breakAtWords)
{
    const int lineLength = 60;
    QStringList out;
    QString rest = text;
    while (rest.size() > lineLength) {
        int cut = lineLength;
        if (breakAtWords) {
            const int space = rest.left(lineLength).lastIndexOf(QLatin1Char(' '));
            if (space > 0)
                cut = space + 1;
        }
        out.append(rest.left(cut));
        rest = rest.mid(cut);
    }
    out.append(rest);
    return out.join(QLatin1Char('\n'));
}
