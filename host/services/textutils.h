#pragma once

#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QString>
#include <QStringList>

// The host's display text for a translated string (the host may override texts).
QString GetQString(const QString& text);
void SetHostStringOverride(const QString& text, const QString& display);

// Human-readable size: "512 Bytes", "1.50 KB", "15.2 MB", "152 MB".
// unit 0 picks the unit; 1..4 force Bytes, KB, MB, GB.
QString GetSize(qint64 bytes, int unit);
QString GetFormattedDate(const QDate& date);          // empty for an invalid date
QString GetFormattedDateTime(const QDateTime& time);  // empty for an invalid time

// Path pieces; both separators are understood.
QString getFileName(const QString& path, bool withExtension);
QString getFileDir(const QString& path);  // without the trailing separator

// Drops repeated paths (same file, compared without regard to case or
// separator), keeping the first; returns how many were dropped.
int removeDuplicateFileName(QStringList& paths);

// text wrapped into at most `lines` lines of `width` pixels, the last one
// elided; breakAtWords false breaks anywhere (paths have no spaces).
QString getWordWrapElidedText(const QString& text, const QFont& font, int width, int lines,
                              bool breakAtWords);
// A tool tip that shows the whole text in lines of reasonable length.
QString getWordWrapToolTip(const QString& text, bool breakAtWords);
