#pragma once

#include "host/contract/ocglobal.h"
#include "model/photomodelhost.h"
#include "model/thumbnaillookup.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class IPlugins;
class QMimeData;
class OCMediaItemList;
class PhotoItemViewModel;
class PhotoItemViewWidget;
class QVBoxLayout;

namespace Ui {
class Widget;
}

// The widget the host embeds: it owns the photo model, the media item list
// and the phone photo screen, wires the host's plug-in manager to the screen
// by named signals and slots, restores the view settings when it is built
// and saves them when it is destroyed, and turns the transfer requests of the
// model and the screen into the host's transfer signals.
class OCPluginWidget : public QWidget, public PhotoModelHost, public ThumbnailLookup
{
    Q_OBJECT

public:
    OCPluginWidget(IPlugins* plugin, QWidget* parent);
    ~OCPluginWidget() override;

    // The one fully built instance (GUI thread; callbacks take a lease of
    // LiveWidget instead); null when none.
    static OCPluginWidget* instance();
    // Before the widget is destroyed: callbacks find it no more, and those
    // under way have ended. False when one did not end in time.
    static bool WithdrawFromCallbacks();

    OCMediaItemList* mediaList() const { return m_mediaList; }
    PhotoItemViewWidget* view() const { return m_view; }
    PhotoItemViewModel* model() const { return m_model; }

    // Transfer requests; each emits its signal with type 2.
    void TransferToPC(const QStringList& list, qint64 size, int playlistid);
    void TransferToPhone(const QStringList& list);
    void TransferToPhone(int playlistid);
    void TransferFileToPC(
        const QString& srcPath, const QString& tarPath, qint64 size, quintptr pFunc);

    // PhotoModelHost: what the model asks of the plug-in.
    int connectionKind() const override;
    void hideDropIndicator() override;
    void transferToPhone(const QStringList& files) override;
    void transferPlaylistToPhone(int playlistId) override;
    PFN_FileContentsCallback fileContentsCallback() const override;
    // ThumbnailLookup: partial loading's thumbnails, from the screen's manager.
    QPixmap cachedThumbnail(const QString& path) const override;

    // Dragged-out file contents are wanted (the host's drag data calls it,
    // possibly off the GUI thread). Does nothing while no widget exists.
    static void OC_STDCALL FileContentsCallback(
        QString srcPath, QString tarPath, qint64 size, quintptr pFunc);

signals:
    void on_signal_showStatusBarMessage(const QString& text, Qt::Alignment alignment);
    void on_import_finished(int type, int playlistid, const QStringList& list);
    void on_signal_transfer_to_pc(int type, const QStringList& list, qint64 size, int playlistid);
    void on_signal_transfer_to_phone(int type, const QStringList& list);
    void on_signal_transfer_to_phone(int type, int playlistid);
    void on_signal_transfer_to_pc(
        int type, const QString& srcPath, const QString& tarPath, qint64 size, quintptr pFunc);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void on_droped_data(const QMimeData* data, int playlistid, DROP_LOCATION nDropLocation);
    void on_finished_transfer_tophone(int type, const QString& path, const QString& source);

private:
    static const int kTransferType = 2;

    void ConnectHost();
    void initValue();
    void RestoreViewSettings();
    void ApplyDeviceCapabilities();
    void SaveViewSettings();

    IPlugins* m_plugin = nullptr;
    OCMediaItemList* m_mediaList = nullptr;
    PhotoItemViewWidget* m_view = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    Ui::Widget* m_ui = nullptr;
    QVBoxLayout* m_layout = nullptr;
};
