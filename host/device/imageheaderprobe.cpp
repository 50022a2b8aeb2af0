#include "imageheaderprobe.h"

#include <QFile>
#include <QImageReader>

#include <fcntl.h>
#include <unistd.h>

namespace {

class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC))
    {
    }
    ~ReadOnlyFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool readAt(qint64 offset, unsigned char* buffer, size_t length) const
    {
        return ::pread(m_fd, buffer, length, off_t(offset)) == ssize_t(length);
    }

private:
    int m_fd;
};

int be16(const unsigned char* p)
{
    return (p[0] << 8) | p[1];
}
quint32 be32(const unsigned char* p)
{
    return (quint32(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
int le16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}
qint32 le32(const unsigned char* p)
{
    return qint32(quint32(p[0]) | (p[1] << 8) | (p[2] << 16) | (quint32(p[3]) << 24));
}

QSize jpegSize(const ReadOnlyFile& file)
{
    qint64 offset = 2;
    unsigned char segment[9];
    // Walk the marker segments up to the frame header; bounded so a damaged
    // file cannot keep us here.
    for (int step = 0; step < 256; ++step) {
        if (!file.readAt(offset, segment, sizeof(segment)) || segment[0] != 0xFF)
            return {};
        const int marker = segment[1];
        if (marker == 0xFF) { // fill byte
            ++offset;
            continue;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
            && marker != 0xCC;
        if (frame)
            return QSize(be16(segment + 7), be16(segment + 5));
        if (marker == 0xD9 || marker == 0xDA)
            return {};
        offset += 2 + be16(segment + 2);
    }
    return {};
}

} // namespace

QSize ImageHeaderProbe::size(const QString& path)
{
    ReadOnlyFile file(path);
    unsigned char head[26];
    if (!file.isOpen() || !file.readAt(0, head, 10))
        return {};
    QSize size;
    if (head[0] == 0xFF && head[1] == 0xD8) {
        size = jpegSize(file);
    } else if (head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G') {
        if (file.readAt(0, head, 24))
            size = QSize(int(be32(head + 16)), int(be32(head + 20)));
    } else if (head[0] == 'G' && head[1] == 'I' && head[2] == 'F') {
        size = QSize(le16(head + 6), le16(head + 8));
    } else if (head[0] == 'B' && head[1] == 'M') {
        if (file.readAt(0, head, 26))
            size = QSize(le32(head + 18), qAbs(le32(head + 22)));
    } else {
        // Rare formats (TIFF, WebP): let the decoder's header parser answer.
        size = QImageReader(path).size();
    }
    return (size.width() > 0 && size.height() > 0) ? size : QSize();
}
