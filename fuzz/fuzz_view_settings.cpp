// The view settings as the registry may hold them: column order and width
// strings, sort columns and orders, the thumbnail size, any of them damaged.
#include "fuzzapplication.h"

#include "model/photoroles.h"
#include "screen/photoitemviewwidget.h"
#include "support/screenfixture.h"

#include <QSet>
#include <QStringList>

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

const int TableModes[] = { 0, 1, 5 };
const int SortModes[] = { 0, 1, 2, 5 };

ScreenFixture& screen()
{
    static ScreenFixture* fixture = [] {
        ScreenFixture::Options options;
        options.photoCount = 2;
        return new ScreenFixture(options);
    }();
    return *fixture;
}

void check(bool condition, const char* what, const QString& detail)
{
    if (!condition) {
        fprintf(stderr, "broken: %s (%s)\n", what, qPrintable(detail));
        abort();
    }
}

// The saved order must name every visual position once.
void checkOrder(PhotoItemViewWidget* view, int mode)
{
    const QString order = view->GetColumnList(mode);
    if (order.isEmpty())
        return;
    const QStringList parts = order.split(QLatin1Char(','));
    QSet<int> positions;
    for (const QString& part : parts) {
        bool ok = false;
        const int position = part.toInt(&ok);
        check(ok && position >= 0 && !positions.contains(position), "column order", order);
        positions.insert(position);
    }
    // What is saved comes back unchanged when it is restored.
    view->SetColumnList(mode, order);
    check(view->GetColumnList(mode) == order, "column order round trip", order);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzApplication::instance();
    PhotoItemViewWidget* view = screen().screen();
    FuzzedDataProvider input(data, size);
    const int mode = input.PickValueInArray(TableModes);
    const int sortMode = input.PickValueInArray(SortModes);
    const int sortColumn = input.ConsumeIntegral<int>();
    const int sortOrder = input.ConsumeIntegral<int>();
    const int thumbSize = input.ConsumeIntegral<int>();
    const QString order = QString::fromStdString(input.ConsumeRandomLengthString(256));
    const QString widths = QString::fromStdString(input.ConsumeRemainingBytesAsString());

    view->SetColumnList(mode, order);
    view->SetColumnWidths(mode, widths);
    checkOrder(view, mode);
    view->SetSortInfo(sortMode, sortColumn, sortOrder);
    const int column = view->GetSortColumn(sortMode);
    check(column >= 0 && column < PhotoColumn::Count, "sort column", QString::number(column));
    view->SetThumbSize(thumbSize);
    return 0;
}
