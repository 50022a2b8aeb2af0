// The image-header probe reads arbitrary bytes, whole and as the listing
// reads a file, and the decode budget follows from what it declares.
#include "fuzzapplication.h"

#include "host/services/boundedimage.h"
#include "host/services/imageheaderprobe.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzApplication::instance();
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const ImageHeader header = ImageHeaderProbe::probe(bytes);
    check(!header.size.isValid() || (header.size.width() > 0 && header.size.height() > 0),
        "a declared size is positive");
    check(header.size.isValid() == !header.size.isEmpty(), "no half-valid size");

    // Read through a device, a few bytes at a time, the answer is the same.
    QByteArray copy(bytes);
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    const ImageHeader fromDevice = ImageHeaderProbe::probe(&device);
    check(fromDevice.format == header.format && fromDevice.size == header.size,
        "the device gives the same header");
    check(device.pos() == 0, "the device keeps its position");

    const QSize decoded = BoundedImage::decodeSize(header.size, QSize(300, 300));
    check(!header.size.isValid() || decoded.isValid(), "a declared size decodes to some size");
    check(qint64(decoded.width()) * decoded.height() * 4 <= BoundedImage::BudgetBytes,
        "decodes stay within the budget");
    return 0;
}
