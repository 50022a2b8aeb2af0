// A photo row whose "Tag" text (and the other texts beside it) may be
// anything: the position read from it, and the row shown in every column.
#include "fuzzapplication.h"

#include "model/cphotodataitem.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"

#include <QSqlField>
#include <QSqlRecord>

#include <cstdlib>
#include <memory>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

QSqlRecord rowOf(FuzzedDataProvider& input, const QString& tag)
{
    QSqlRecord row;
    auto add = [&row](const char* name, const QVariant& value) {
        QSqlField field(QLatin1String(name), value.type());
        field.setValue(value);
        row.append(field);
    };
    add("Path", QStringLiteral("/phone/DCIM/picture.jpg"));
    add("FileName", QStringLiteral("picture.jpg"));
    add("Title", QString::fromStdString(input.ConsumeRandomLengthString(64)));
    add("FileType", QStringLiteral("jpg"));
    add("FileSize", input.ConsumeIntegral<uint>());
    add("ShootingDate", QString::fromStdString(input.ConsumeRandomLengthString(40)));
    add("Width", input.ConsumeIntegral<int>());
    add("Height", input.ConsumeIntegral<int>());
    add("Direction", input.ConsumeIntegral<int>());
    add("Tag", tag);
    return row;
}

// Whatever the text, a position is one piece of it, never spans a separator.
void checkPosition(const QString& value, const QString& tag)
{
    if (value.isEmpty())
        return;
    if (value.contains(QLatin1Char('/')) || value.contains(QLatin1Char('='))
        || !tag.contains(value)) {
        fprintf(stderr, "position %s not a piece of the tag\n", qPrintable(value));
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzApplication::instance();
    FuzzedDataProvider input(data, size);
    const QString tag = QString::fromUtf8(input.ConsumeRandomLengthString(512).c_str());
    auto item = std::make_unique<CPhotoDataItem>(rowOf(input, tag));
    checkPosition(item->latitude(), tag);
    checkPosition(item->longitude(), tag);

    PhotoItemViewModel model(nullptr, nullptr);
    model.AddItem(item.get());
    const int roles[] = { Qt::DisplayRole, Qt::DecorationRole, Qt::ToolTipRole,
        Qt::SizeHintRole, PhotoRole::RotateRole, PhotoRole::TitleRole };
    for (int column = 0; column < model.columnCount(); ++column)
        for (int role : roles)
            model.data(model.index(0, column), role);
    return 0;
}
