#include "filenamecodec.h"

#include <QCoreApplication>

#include <mutex>

namespace {

// Length of the UTF-8 sequence a lead byte starts and the range its second
// byte must lie in (which rules out overlong forms, surrogates and code
// points past U+10FFFF); 0 for a byte that starts no sequence.
int sequenceLength(uchar lead, uchar* secondMin, uchar* secondMax)
{
    *secondMin = 0x80;
    *secondMax = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (lead == 0xE0)
            *secondMin = 0xA0;
        else if (lead == 0xED)
            *secondMax = 0x9F;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0)
            *secondMin = 0x90;
        else if (lead == 0xF4)
            *secondMax = 0x8F;
        return 4;
    }
    return 0;
}

// How many of the available bytes form a valid start of the sequence.
int validPrefix(const uchar* bytes, int available, int length, uchar secondMin, uchar secondMax)
{
    int valid = 1;
    for (int k = 1; k < length && k < available; ++k) {
        const uchar min = k == 1 ? secondMin : uchar(0x80);
        const uchar max = k == 1 ? secondMax : uchar(0xBF);
        if (bytes[k] < min || bytes[k] > max)
            break;
        ++valid;
    }
    return valid;
}

uint decodeSequence(const uchar* bytes, int length)
{
    uint codePoint = bytes[0] & (0x7F >> length);
    for (int k = 1; k < length; ++k)
        codePoint = (codePoint << 6) | (bytes[k] & 0x3F);
    return codePoint;
}

void appendEscaped(QString& out, const uchar* bytes, int count)
{
    for (int k = 0; k < count; ++k)
        out.append(QChar(ushort(FileNameCodec::EscapeBase + bytes[k])));
}

void appendUtf8(QByteArray& out, uint codePoint)
{
    if (codePoint < 0x80) {
        out.append(char(codePoint));
    } else if (codePoint < 0x800) {
        out.append(char(0xC0 | (codePoint >> 6)));
        out.append(char(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.append(char(0xE0 | (codePoint >> 12)));
        out.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
        out.append(char(0x80 | (codePoint & 0x3F)));
    } else {
        out.append(char(0xF0 | (codePoint >> 18)));
        out.append(char(0x80 | ((codePoint >> 12) & 0x3F)));
        out.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
        out.append(char(0x80 | (codePoint & 0x3F)));
    }
}

// A sequence cut by the end of a chunk waits in the state for the next one.
QByteArray takePending(QTextCodec::ConverterState* state)
{
    QByteArray pending;
    if (!state || state->remainingChars <= 0)
        return pending;
    for (int k = 0; k < state->remainingChars && k < 3; ++k)
        pending.append(char((state->state_data[1] >> (8 * k)) & 0xFF));
    state->remainingChars = 0;
    state->state_data[1] = 0;
    return pending;
}

void keepPending(QTextCodec::ConverterState* state, const uchar* bytes, int count)
{
    uint packed = 0;
    for (int k = 0; k < count; ++k)
        packed |= uint(bytes[k]) << (8 * k);
    state->state_data[1] = packed;
    state->remainingChars = count;
}

} // namespace

void FileNameCodec::install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QTextCodec* locale = QTextCodec::codecForLocale();
        const int mib = locale ? locale->mibEnum() : 106;
        // UTF-8 or plain ASCII (the C locale); a legacy 8-bit locale maps
        // every byte anyway.
        if (mib != 106 && mib != 3)
            return;
        // Registered codecs belong to Qt, which deletes them at exit.
        QTextCodec::setCodecForLocale(new FileNameCodec);
    });
}

namespace {

// Before any file name is read: when the application object is made.
void installFileNameCodec()
{
    FileNameCodec::install();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installFileNameCodec)

QByteArray FileNameCodec::name() const
{
    return QByteArrayLiteral("UTF-8 keeping invalid bytes");
}

int FileNameCodec::mibEnum() const
{
    // Not 106: Qt takes that for its own UTF-8 and drops undecodable names.
    return -106;
}

QString FileNameCodec::convertToUnicode(const char* in, int length, ConverterState* state) const
{
    QByteArray joined = takePending(state);
    joined.append(in, length);
    const auto* bytes = reinterpret_cast<const uchar*>(joined.constData());
    const int size = joined.size();
    QString out;
    out.reserve(size);
    for (int i = 0; i < size;) {
        const uchar lead = bytes[i];
        if (lead < 0x80) {
            out.append(QChar(lead));
            ++i;
            continue;
        }
        uchar secondMin = 0;
        uchar secondMax = 0;
        const int sequence = sequenceLength(lead, &secondMin, &secondMax);
        const int available = size - i;
        const int valid
            = sequence ? validPrefix(bytes + i, available, sequence, secondMin, secondMax) : 0;
        if (sequence && valid == available && available < sequence && state) {
            keepPending(state, bytes + i, available);
            break;
        }
        if (!sequence || valid < sequence) {
            appendEscaped(out, bytes + i, 1);
            ++i;
            continue;
        }
        const uint codePoint = decodeSequence(bytes + i, sequence);
        if (codePoint >= EscapeBase && codePoint <= EscapeLast)
            appendEscaped(out, bytes + i, sequence);
        else if (codePoint >= 0x10000)
            out.append(QChar(QChar::highSurrogate(codePoint)))
                .append(QChar(QChar::lowSurrogate(codePoint)));
        else
            out.append(QChar(ushort(codePoint)));
        i += sequence;
    }
    return out;
}

QByteArray FileNameCodec::convertFromUnicode(
    const QChar* in, int length, ConverterState* state) const
{
    QByteArray out;
    out.reserve(length * 3);
    for (int i = 0; i < length; ++i) {
        const ushort unit = in[i].unicode();
        if (unit >= EscapeBase + 0x80 && unit <= EscapeLast) {
            out.append(char(unit - EscapeBase));
        } else if (QChar::isHighSurrogate(unit) && i + 1 < length && in[i + 1].isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(unit, in[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(out, QChar::ReplacementCharacter);
            if (state)
                ++state->invalidChars;
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}
