// Drops on the screen with arbitrary mime payloads: the item data, the URL
// list, the playlist id and the text, through the host's drop route and the
// model's own.
#include "fuzzapplication.h"

#include "host/contract/ocglobal.h"
#include "host/services/mediaextensions.h"
#include "model/photoitemviewmodel.h"
#include "plugin/ocpluginwidget.h"
#include "support/screenfixture.h"

#include <QMimeData>

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

const char* const Formats[] = { "application/tz-itemdata", "text/uri-list",
    "application/tz-playlist", "text/plain" };

ScreenFixture& screen()
{
    static ScreenFixture* fixture = [] {
        ScreenFixture::Options options;
        options.photoCount = 3;
        auto* made = new ScreenFixture(options);
        made->fill();
        // Every file handed on for the phone must be a photo file.
        QObject::connect(made->widget(),
            qOverload<int, const QStringList&>(&OCPluginWidget::on_signal_transfer_to_phone),
            [](int, const QStringList& files) {
                QStringList extensions;
                getSupportedExtensions(MediaKind::Photo, extensions);
                for (const QString& file : files) {
                    const QString suffix = file.mid(file.lastIndexOf(QLatin1Char('.')) + 1);
                    if (!extensions.contains(suffix.toLower())) {
                        fprintf(stderr, "not a photo handed on: %s\n", qPrintable(file));
                        abort();
                    }
                }
            });
        return made;
    }();
    return *fixture;
}

QMimeData* payloadOf(FuzzedDataProvider& input)
{
    auto* data = new QMimeData;
    const uint8_t present = input.ConsumeIntegral<uint8_t>();
    for (int i = 0; i < 4; ++i) {
        if (!(present & (1 << i)))
            continue;
        const std::string bytes = input.ConsumeRandomLengthString(4096);
        data->setData(QLatin1String(Formats[i]), QByteArray(bytes.data(), int(bytes.size())));
    }
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzApplication::instance();
    ScreenFixture& fixture = screen();
    FuzzedDataProvider input(bytes, size);
    const bool throughHost = input.ConsumeBool();
    const int playlist = input.ConsumeIntegral<int>();
    const int rowsBefore = fixture.model()->rowCount();
    QScopedPointer<QMimeData> data(payloadOf(input));

    if (throughHost)
        emit fixture.manager().on_signal_pmgr_droped_data(
            data.data(), playlist, OCGlobal::DROP_CONTENTS);
    else
        fixture.model()->dropMimeData(data.data(), Qt::CopyAction, -1, -1, QModelIndex());

    // A drop only asks for a transfer; the list changes when files arrive.
    if (fixture.model()->rowCount() != rowsBefore) {
        fprintf(stderr, "a drop changed the list by itself\n");
        abort();
    }
    return 0;
}
