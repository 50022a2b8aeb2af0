#pragma once

#include <QImage>
#include <QSize>

class QByteArray;
class QImageReader;
class QString;

// Every decode of a picture goes through here. The declared size is read
// first; a picture whose decode would take more than the budget is decoded
// scaled where the format really can (JPEG's DCT scaling, SVG), otherwise not
// at all, so one hostile file never costs more than the budget.
namespace BoundedImage {

// 256 MB decoded: 64 M pixels at 4 bytes a pixel.
constexpr qint64 BudgetBytes = 256LL * 1024 * 1024;

// The size to decode a picture of the declared size at: fitted into box with
// its aspect ratio kept, never enlarged (an invalid box means full size), and
// shrunk further to stay within the budget. Invalid for an empty size.
QSize decodeSize(const QSize& declared, const QSize& box);

// The size a picture will be decoded from, checked: the header's (see
// ImageHeaderProbe) where it names the reader's format, else the reader's
// own; invalid, with the reason in why, when neither can be trusted. A reader
// made from a file name has the file opened safely first (see SafeFile).
QSize declaredSize(QImageReader& reader, QString* why = nullptr);

// Whether a picture of that size can be decoded at all: within the budget,
// or scaled down while decoding by a reader that can.
bool fitsBudget(QImageReader& reader, const QSize& declared);

// Decodes through reader (its file or device already set) at most at box.
// A null image, with the reason in why, when the size cannot be read, or the
// picture is over the budget and the format cannot decode scaled, or the
// decoder fails.
QImage read(QImageReader& reader, const QSize& box = QSize(), QString* why = nullptr);

// The same for a file (opened only when regular, see SafeFile) and for bytes.
QImage readFile(const QString& fileSystemPath, const QSize& box = QSize(), QString* why = nullptr);
QImage readData(const QByteArray& bytes, const QSize& box = QSize(), QString* why = nullptr);

} // namespace BoundedImage
