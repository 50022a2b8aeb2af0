#pragma once

#include <QCoreApplication>
#include <QString>

// What a new name for a photo may not be, in words the user reads: a rename
// that would be refused by the phone, give a hidden file, or be cut short
// says so instead of dropping or cutting anything quietly.
class FileNameCheck
{
    Q_DECLARE_TR_FUNCTIONS(FileNameCheck)

public:
    // The name field's own limit, in characters.
    static constexpr int MaxNameCharacters = 100;
    // The longest file name most file systems keep, in bytes of UTF-8.
    static constexpr int MaxFileNameBytes = 255;

    // Empty when name followed by "." and extension can be the photo's new
    // file name; otherwise why not.
    static QString refusal(const QString& name, const QString& extension);
    // The characters no file name may hold (Windows' reserved ones too, as
    // the photos may be copied there).
    static QString forbiddenCharacters();

private:
    static int longestAllowed(const QString& name, const QString& extension);
};
