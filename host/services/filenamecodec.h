#pragma once

#include <QTextCodec>

// File names on Linux are bytes; Qt turns them into text through the locale's
// codec, and its UTF-8 codec makes every invalid byte the same replacement
// character, so a name that is not UTF-8 can neither be opened again nor told
// from another such name (Qt's directory walk even drops it). This codec is
// UTF-8 that keeps such bytes: each byte of an invalid sequence becomes
// U+F700 + byte (private use), and encoding turns U+F700..U+F7FF back into
// that byte. A name that really holds one of those characters is kept by its
// bytes the same way, so every name survives the round trip and no two names
// become one. Installed as the locale codec when the locale is UTF-8.
class FileNameCodec : public QTextCodec
{
public:
    static constexpr ushort EscapeBase = 0xF700;
    static constexpr ushort EscapeLast = 0xF7FF;

    // Makes the codec the locale codec when the locale's is UTF-8 or ASCII;
    // once per process.
    static void install();

    QByteArray name() const override;
    int mibEnum() const override;

protected:
    QString convertToUnicode(const char* in, int length, ConverterState* state) const override;
    QByteArray convertFromUnicode(
        const QChar* in, int length, ConverterState* state) const override;
};
