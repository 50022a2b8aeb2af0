#include "dialogs/filenamecheck.h"

#include <QStringList>

#include "host/services/textutils.h"

QString FileNameCheck::forbiddenCharacters()
{
    return QStringLiteral("\\/:*?\"<>|");
}

int FileNameCheck::longestAllowed(const QString& name, const QString& extension)
{
    const int suffixBytes = extension.isEmpty() ? 0 : 1 + extension.toUtf8().size();
    int bytes = suffixBytes;
    int characters = 0;
    while (characters < name.size() && characters < MaxNameCharacters) {
        // A surrogate pair is one character of the name, never split.
        const int step = name.at(characters).isHighSurrogate() ? 2 : 1;
        bytes += name.mid(characters, step).toUtf8().size();
        if (bytes > MaxFileNameBytes)
            break;
        characters += step;
    }
    return characters;
}

QString FileNameCheck::refusal(const QString& name, const QString& extension)
{
    if (name.trimmed().isEmpty())
        return GetQString(tr("Please enter a name."));
    if (name.at(0).isSpace())
        return GetQString(tr("A name cannot start with a space."));
    QStringList found;
    for (const QChar c : name) {
        const bool refused
            = forbiddenCharacters().contains(c) || c.category() == QChar::Other_Control;
        const QString shown = c.category() == QChar::Other_Control
            ? GetQString(tr("control characters"))
            : QString(c);
        if (refused && !found.contains(shown))
            found.append(shown);
    }
    if (!found.isEmpty())
        return GetQString(tr("A name cannot contain %1")).arg(found.join(QLatin1Char(' ')));
    // "..", ".jpg" or ".a" would give a file the phone and the PC hide.
    if (name.startsWith(QLatin1Char('.')))
        return GetQString(tr("A name cannot start with a dot: the photo would be hidden."));
    const int longest = longestAllowed(name, extension);
    if (longest < name.size())
        return GetQString(tr("The name is too long: %1 characters at most, it has %2."))
            .arg(longest)
            .arg(name.size());
    return QString();
}
