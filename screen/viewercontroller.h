#pragma once

#include <QModelIndex>
#include <QObject>

#include <functional>

class OCMediaItemList;
class PhotoItemViewModel;
class PhotoViewerWidget;
class QWidget;
class TransferController;

// Opens the viewer page on a photo, loads each photo the viewer shows (on
// the media-transfer kinds a local copy, downloaded by the transfer
// controller), and closes it back to the page it was opened from, scrolled
// where it was.
class ViewerController : public QObject
{
    Q_OBJECT

public:
    // What the viewer asks of the screen around it.
    class Screen
    {
    public:
        virtual ~Screen() = default;
        virtual void stopPartialLoading() = 0;
        virtual void updateTransferButtons() = 0;
        virtual void applyCurrentSort() = 0;
        // The viewer page, or the remembered page, whose selection state
        // and the viewer's listeners then follow.
        virtual void showViewerPage(bool viewer) = 0;
        // The remembered page's scroll position.
        virtual int pageScroll() const = 0;
        virtual void setPageScroll(int value) = 0;
    };

    ViewerController(Screen* screen, PhotoViewerWidget* viewer, TransferController* transfers,
        std::function<bool()> mediaTransfer, QWidget* boxParent, QObject* parent = nullptr);

    void setItems(OCMediaItemList* list, PhotoItemViewModel* model);
    // Refused while the host transfers on a media-transfer kind, or while
    // the host's state forbids it.
    void open(const QModelIndex& index);
    void load(const QString& path);
    void close();

private:
    Screen* m_screen;
    PhotoViewerWidget* m_viewer;
    TransferController* m_transfers;
    std::function<bool()> m_mediaTransfer;
    QWidget* m_boxParent;
    OCMediaItemList* m_list = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    int m_returnScroll = 0; // of the page the viewer was opened from
};
