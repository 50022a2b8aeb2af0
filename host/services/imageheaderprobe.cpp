#include "imageheaderprobe.h"

#include "safefile.h"

#include <QHash>
#include <QIODevice>
#include <QList>

#include <climits>
#include <cstring>

#include <unistd.h>

namespace {

// Reads through a small window, so walking the segments of a header costs one
// or two reads instead of one per segment. The number of reads is bounded,
// so no file can keep the probe busy.
class Window
{
public:
    static constexpr int Size = 4096;

    explicit Window(const ImageHeaderProbe::ReadAt& readAt)
        : m_readAt(readAt)
    {
    }

    bool read(qint64 offset, uchar* out, int length)
    {
        if (offset < 0 || length < 0 || length > Size || offset > LLONG_MAX - Size)
            return false;
        if (offset < m_start || offset + length > m_start + m_filled) {
            if (++m_fills > MaxFills)
                return false;
            const qint64 got = m_readAt(offset, m_bytes, Size);
            if (got < 0)
                return false;
            m_start = offset;
            m_filled = qMin<qint64>(got, Size);
            if (length > m_filled)
                return false;
        }
        std::memcpy(out, m_bytes + (offset - m_start), size_t(length));
        return true;
    }

private:
    static constexpr int MaxFills = 256;

    const ImageHeaderProbe::ReadAt& m_readAt;
    qint64 m_start = 0;
    qint64 m_filled = 0;
    int m_fills = 0;
    uchar m_bytes[Size];
};

quint32 be16(const uchar* p)
{
    return (quint32(p[0]) << 8) | p[1];
}
quint32 be32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
}
quint64 be64(const uchar* p)
{
    return (quint64(be32(p)) << 32) | be32(p + 4);
}
quint32 le16(const uchar* p)
{
    return p[0] | (quint32(p[1]) << 8);
}
quint32 le24(const uchar* p)
{
    return le16(p) | (quint32(p[2]) << 16);
}
quint32 le32(const uchar* p)
{
    return le24(p) | (quint32(p[3]) << 24);
}

// A size from header numbers, invalid unless both fit a positive int.
QSize sizeOf(quint64 width, quint64 height)
{
    if (width == 0 || height == 0 || width > quint64(INT_MAX) || height > quint64(INT_MAX))
        return {};
    return QSize(int(width), int(height));
}

QSize jpegSize(Window& file)
{
    qint64 offset = 2;
    uchar segment[9];
    for (int step = 0; step < 512; ++step) {
        if (!file.read(offset, segment, 4) || segment[0] != 0xFF)
            return {};
        const int marker = segment[1];
        if (marker == 0xFF) { // fill byte
            ++offset;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length
            offset += 2;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
            return {};
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
            && marker != 0xCC;
        if (frame)
            return file.read(offset, segment, 9) ? sizeOf(be16(segment + 7), be16(segment + 5))
                                                 : QSize();
        const quint32 length = be16(segment + 2);
        if (length < 2)
            return {};
        offset += 2 + length;
    }
    return {};
}

QSize pngSize(Window& file)
{
    uchar head[24];
    if (!file.read(0, head, 24) || std::memcmp(head + 12, "IHDR", 4) != 0)
        return {};
    return sizeOf(be32(head + 16), be32(head + 20));
}

// The logical screen, which Qt allocates for every frame; a screen of 0x0
// takes the first frame's size.
QSize gifSize(Window& file)
{
    uchar head[13];
    if (!file.read(0, head, 13))
        return {};
    const QSize screen = sizeOf(le16(head + 6), le16(head + 8));
    if (screen.isValid())
        return screen;
    qint64 offset = 13 + ((head[10] & 0x80) ? 3 * (2 << (head[10] & 7)) : 0);
    uchar block[10];
    for (int step = 0; step < 1024; ++step) {
        if (!file.read(offset, block, 1))
            return {};
        if (block[0] == 0x2C)
            return file.read(offset, block, 10) ? sizeOf(le16(block + 5), le16(block + 7))
                                                : QSize();
        if (block[0] != 0x21 || !file.read(offset, block, 3))
            return {};
        offset += 2; // extension introducer and label, then sub-blocks
        for (int sub = 0; sub < 4096; ++sub) {
            if (!file.read(offset, block, 1))
                return {};
            offset += 1 + block[0];
            if (block[0] == 0)
                break;
        }
    }
    return {};
}

QSize bmpSize(Window& file)
{
    uchar head[26];
    if (!file.read(0, head, 18))
        return {};
    const quint32 headerSize = le32(head + 14);
    if (headerSize == 12) // OS/2 1.x: 16-bit sizes
        return file.read(0, head, 22) ? sizeOf(le16(head + 18), le16(head + 20)) : QSize();
    if (headerSize < 16 || !file.read(0, head, 26))
        return {};
    const qint32 width = qint32(le32(head + 18));
    const qint32 height = qint32(le32(head + 22));
    // A negative height means top-down rows; INT_MIN has no positive twin.
    if (width <= 0 || height == 0 || height == INT_MIN)
        return {};
    return sizeOf(quint64(width), quint64(height < 0 ? -qint64(height) : height));
}

QSize webpSize(Window& file)
{
    uchar head[30];
    if (!file.read(0, head, 30) || std::memcmp(head + 8, "WEBP", 4) != 0)
        return {};
    if (std::memcmp(head + 12, "VP8 ", 4) == 0) {
        if (head[23] != 0x9D || head[24] != 0x01 || head[25] != 0x2A)
            return {};
        return sizeOf(le16(head + 26) & 0x3FFF, le16(head + 28) & 0x3FFF);
    }
    if (std::memcmp(head + 12, "VP8L", 4) == 0) {
        if (head[20] != 0x2F)
            return {};
        const quint32 bits = le32(head + 21);
        return sizeOf((bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (std::memcmp(head + 12, "VP8X", 4) == 0)
        return sizeOf(quint64(le24(head + 24)) + 1, quint64(le24(head + 27)) + 1);
    return {};
}

// Width and height of the first directory, the one Qt's reader decodes.
QSize tiffSize(Window& file)
{
    uchar head[16];
    if (!file.read(0, head, 8))
        return {};
    const bool little = head[0] == 'I';
    auto u16 = [little](const uchar* p) { return little ? le16(p) : be16(p); };
    auto u32 = [little](const uchar* p) { return little ? le32(p) : be32(p); };
    auto u64 = [little, u32](const uchar* p) {
        return little ? (quint64(u32(p + 4)) << 32) | u32(p) : (quint64(u32(p)) << 32) | u32(p + 4);
    };
    const quint32 version = u16(head + 2);
    const bool big = version == 43;
    if (version != 42 && !big)
        return {};
    if (big && !file.read(0, head, 16))
        return {};
    const quint64 directory = big ? u64(head + 8) : u32(head + 4);
    uchar entry[20];
    if (directory > quint64(LLONG_MAX / 2) || !file.read(qint64(directory), entry, big ? 8 : 2))
        return {};
    const quint64 count = big ? u64(entry) : u16(entry);
    const int entrySize = big ? 20 : 12;
    qint64 at = qint64(directory) + (big ? 8 : 2);
    quint64 width = 0;
    quint64 height = 0;
    for (quint64 i = 0; i < count && i < 4096; ++i, at += entrySize) {
        if (!file.read(at, entry, entrySize))
            return {};
        const quint32 tag = u16(entry);
        if (tag != 256 && tag != 257)
            continue;
        const quint32 type = u16(entry + 2);
        const uchar* value = entry + (big ? 12 : 8);
        quint64 number = 0;
        if (type == 3)
            number = u16(value);
        else if (type == 4)
            number = u32(value);
        else if (type == 16 && big)
            number = u64(value);
        (tag == 256 ? width : height) = number;
    }
    return sizeOf(width, height);
}

// ISO base media boxes (HEIF, AVIF): the size the primary item's "ispe"
// property declares; without a primary, the largest one declared.
class BoxWalk
{
public:
    explicit BoxWalk(Window& file)
        : m_file(file)
    {
    }

    QSize primarySize(qint64 metaStart, qint64 metaEnd)
    {
        walk(metaStart + 4, metaEnd, 0); // "meta" is a full box
        if (m_primary >= 0) {
            for (const Association& association : qAsConst(m_associations)) {
                if (association.item == m_primary
                    && m_spatialExtents.contains(association.property))
                    return m_spatialExtents.value(association.property);
            }
        }
        QSize largest;
        for (const QSize& size : qAsConst(m_spatialExtents)) {
            if (!largest.isValid()
                || qint64(size.width()) * size.height()
                    > qint64(largest.width()) * largest.height())
                largest = size;
        }
        return largest;
    }

    // A box's type and where its contents start and end; false past the end.
    static bool box(Window& file, qint64 at, qint64 end, char* type, qint64* start, qint64* boxEnd)
    {
        uchar head[16];
        if (at + 8 > end || !file.read(at, head, 8))
            return false;
        std::memcpy(type, head + 4, 4);
        quint64 size = be32(head);
        qint64 header = 8;
        if (size == 1) {
            if (!file.read(at, head, 16))
                return false;
            size = be64(head + 8);
            header = 16;
        } else if (size == 0) {
            size = quint64(end - at);
        }
        if (size < quint64(header) || size > quint64(end - at))
            return false;
        *start = at + header;
        *boxEnd = at + qint64(size);
        return true;
    }

private:
    struct Association
    {
        quint32 item;
        int property;
    };

    void walk(qint64 at, qint64 end, int depth)
    {
        char type[4];
        qint64 start = 0;
        qint64 boxEnd = 0;
        for (int count = 0; count < 1024 && box(m_file, at, end, type, &start, &boxEnd); ++count) {
            if (std::memcmp(type, "pitm", 4) == 0)
                readPrimary(start, boxEnd);
            else if (std::memcmp(type, "iprp", 4) == 0 && depth == 0)
                walk(start, boxEnd, depth + 1);
            else if (std::memcmp(type, "ipco", 4) == 0 && depth == 1)
                readProperties(start, boxEnd);
            else if (std::memcmp(type, "ipma", 4) == 0 && depth == 1)
                readAssociations(start, boxEnd);
            at = boxEnd;
        }
    }

    void readPrimary(qint64 start, qint64 end)
    {
        uchar bytes[8];
        if (end - start < 6 || !m_file.read(start, bytes, int(qMin<qint64>(8, end - start))))
            return;
        m_primary = bytes[0] == 0 ? qint64(be16(bytes + 4))
                                  : (end - start >= 8 ? qint64(be32(bytes + 4)) : -1);
    }

    void readProperties(qint64 at, qint64 end)
    {
        char type[4];
        qint64 start = 0;
        qint64 boxEnd = 0;
        uchar bytes[12];
        for (int index = 1; index <= 1024 && box(m_file, at, end, type, &start, &boxEnd); ++index) {
            if (std::memcmp(type, "ispe", 4) == 0 && boxEnd - start >= 12
                && m_file.read(start, bytes, 12)) {
                const QSize size = sizeOf(be32(bytes + 4), be32(bytes + 8));
                if (size.isValid())
                    m_spatialExtents.insert(index, size);
            }
            at = boxEnd;
        }
    }

    void readAssociations(qint64 at, qint64 end)
    {
        uchar bytes[8];
        if (end - at < 8 || !m_file.read(at, bytes, 8))
            return;
        const bool longIds = bytes[0] >= 1;
        const bool longIndexes = bytes[3] & 1;
        const quint32 entries = be32(bytes + 4);
        at += 8;
        for (quint32 e = 0; e < entries && e < 4096; ++e) {
            const int idSize = longIds ? 4 : 2;
            if (at + idSize + 1 > end || !m_file.read(at, bytes, idSize + 1))
                return;
            const quint32 item = longIds ? be32(bytes) : be16(bytes);
            const int associations = bytes[idSize];
            at += idSize + 1;
            const int indexSize = longIndexes ? 2 : 1;
            for (int a = 0; a < associations; ++a, at += indexSize) {
                if (at + indexSize > end || !m_file.read(at, bytes, indexSize))
                    return;
                const int property = longIndexes ? int(be16(bytes) & 0x7FFF) : (bytes[0] & 0x7F);
                m_associations.append({ item, property });
            }
        }
    }

    Window& m_file;
    qint64 m_primary = -1;
    QHash<int, QSize> m_spatialExtents; // property index (from 1) -> size
    QList<Association> m_associations;
};

ImageHeader isoMediaHeader(Window& file, qint64 fileEnd)
{
    char type[4];
    qint64 start = 0;
    qint64 end = 0;
    uchar brand[4];
    if (!BoxWalk::box(file, 0, fileEnd, type, &start, &end) || std::memcmp(type, "ftyp", 4) != 0)
        return {};
    ImageHeader header;
    // The major brand and the compatible ones, after the minor version.
    for (qint64 at = start; at + 4 <= end && at < start + 4 * 64; at += 4) {
        if (at == start + 4 || !file.read(at, brand, 4))
            continue;
        if (std::memcmp(brand, "avif", 4) == 0 || std::memcmp(brand, "avis", 4) == 0) {
            header.format = "avif";
            break;
        }
        if (std::memcmp(brand, "heic", 4) == 0 || std::memcmp(brand, "heix", 4) == 0
            || std::memcmp(brand, "mif1", 4) == 0 || std::memcmp(brand, "msf1", 4) == 0
            || std::memcmp(brand, "heim", 4) == 0 || std::memcmp(brand, "heis", 4) == 0)
            header.format = "heif";
    }
    if (header.format.isEmpty())
        return {};
    qint64 at = end;
    for (int count = 0; count < 64 && BoxWalk::box(file, at, fileEnd, type, &start, &end);
         ++count) {
        if (std::memcmp(type, "meta", 4) == 0) {
            header.size = BoxWalk(file).primarySize(start, end);
            break;
        }
        at = end;
    }
    return header;
}

// JPEG XL's size header: bits read from the lowest up.
class BitReader
{
public:
    BitReader(Window& file, qint64 offset)
        : m_file(file)
        , m_offset(offset)
    {
    }

    quint32 bits(int count)
    {
        quint32 value = 0;
        for (int i = 0; i < count; ++i, ++m_bit) {
            uchar byte = 0;
            if (!m_file.read(m_offset + m_bit / 8, &byte, 1))
                m_failed = true;
            value |= quint32((byte >> (m_bit % 8)) & 1) << i;
        }
        return value;
    }
    bool failed() const { return m_failed; }

private:
    Window& m_file;
    qint64 m_offset;
    qint64 m_bit = 0;
    bool m_failed = false;
};

quint64 jxlDimension(BitReader& reader)
{
    static const int widths[] = { 9, 13, 18, 30 };
    return quint64(reader.bits(widths[reader.bits(2)])) + 1;
}

QSize jxlCodestreamSize(Window& file, qint64 offset)
{
    uchar signature[2];
    if (!file.read(offset, signature, 2) || signature[0] != 0xFF || signature[1] != 0x0A)
        return {};
    BitReader reader(file, offset + 2);
    quint64 height = 0;
    quint64 width = 0;
    const bool small = reader.bits(1);
    height = small ? (quint64(reader.bits(5)) + 1) * 8 : jxlDimension(reader);
    const quint32 ratio = reader.bits(3);
    if (ratio == 0)
        width = small ? (quint64(reader.bits(5)) + 1) * 8 : jxlDimension(reader);
    static const quint64 ratios[8][2]
        = { { 1, 1 }, { 1, 1 }, { 12, 10 }, { 4, 3 }, { 3, 2 }, { 16, 9 }, { 5, 4 }, { 2, 1 } };
    if (ratio != 0)
        width = height * ratios[ratio][0] / ratios[ratio][1];
    return reader.failed() ? QSize() : sizeOf(width, height);
}

ImageHeader jxlHeader(Window& file, qint64 fileEnd)
{
    uchar head[12];
    if (!file.read(0, head, 2))
        return {};
    if (head[0] == 0xFF && head[1] == 0x0A)
        return { "jxl", jxlCodestreamSize(file, 0) };
    static const uchar container[12]
        = { 0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A };
    if (!file.read(0, head, 12) || std::memcmp(head, container, 12) != 0)
        return {};
    char type[4];
    qint64 start = 0;
    qint64 end = 0;
    qint64 at = 12;
    for (int count = 0; count < 64 && BoxWalk::box(file, at, fileEnd, type, &start, &end);
         ++count) {
        if (std::memcmp(type, "jxlc", 4) == 0)
            return { "jxl", jxlCodestreamSize(file, start) };
        if (std::memcmp(type, "jxlp", 4) == 0) // a sequence number first
            return { "jxl", jxlCodestreamSize(file, start + 4) };
        at = end;
    }
    return { "jxl", QSize() };
}

} // namespace

ImageHeader ImageHeaderProbe::probe(const ReadAt& readAt)
{
    Window file(readAt);
    uchar head[12];
    if (!file.read(0, head, 2))
        return {};
    const qint64 unknownEnd = LLONG_MAX / 4; // boxes are bounded by the reads instead
    if (head[0] == 0xFF && head[1] == 0xD8)
        return { "jpeg", jpegSize(file) };
    if (head[0] == 0xFF && head[1] == 0x0A)
        return jxlHeader(file, unknownEnd);
    if (!file.read(0, head, 12))
        return {};
    if (std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0)
        return { "png", pngSize(file) };
    if (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0)
        return { "gif", gifSize(file) };
    if (head[0] == 'B' && head[1] == 'M')
        return { "bmp", bmpSize(file) };
    if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0)
        return { "webp", webpSize(file) };
    if ((head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0)
        || (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43)))
        return { "tiff", tiffSize(file) };
    if (std::memcmp(head + 4, "ftyp", 4) == 0)
        return isoMediaHeader(file, unknownEnd);
    if (std::memcmp(head + 4, "JXL ", 4) == 0)
        return jxlHeader(file, unknownEnd);
    return {};
}

ImageHeader ImageHeaderProbe::probe(QIODevice* device)
{
    if (!device || !device->isOpen() || device->isSequential())
        return {};
    const qint64 position = device->pos();
    const ImageHeader header = probe([device](qint64 offset, uchar* buffer, qint64 length) {
        if (!device->seek(offset))
            return qint64(0);
        return device->read(reinterpret_cast<char*>(buffer), length);
    });
    device->seek(position);
    return header;
}

ImageHeader ImageHeaderProbe::probe(const QByteArray& bytes)
{
    return probe([&bytes](qint64 offset, uchar* buffer, qint64 length) {
        if (offset >= bytes.size())
            return qint64(0);
        const qint64 count = qMin<qint64>(length, bytes.size() - offset);
        std::memcpy(buffer, bytes.constData() + offset, size_t(count));
        return count;
    });
}

QSize ImageHeaderProbe::size(const QString& fileSystemPath)
{
    const int fd = SafeFile::openDescriptor(fileSystemPath);
    if (fd < 0)
        return {};
    const ImageHeader header = probe([fd](qint64 offset, uchar* buffer, qint64 length) {
        return qint64(::pread(fd, buffer, size_t(length), off_t(offset)));
    });
    ::close(fd);
    return header.size;
}
