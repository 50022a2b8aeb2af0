#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <functional>

#include "host/thumbs/octhumbnailmanager.h"
#include "model/thumbnaillookup.h"
#include "screen/partialloadingcontrol.h"

class OCMediaItemList;
class OCThumnailMaker;
class PhotoItemViewModel;
class QAbstractItemView;
class QTableView;
class ThumbnailUpdater;
struct PluginHostContext;

// The host's photo database and thumbnail manager as a source of thumbnails.
// In partial loading the manager makes them for the rows in view, and the
// host's own partial loading is held back while the screen needs the phone;
// otherwise a picture the manager hands over goes into its item through the
// ThumbnailUpdater, like every other source's. GUI thread only.
class HostThumbnailSource : public QObject, public ThumbnailLookup
{
    Q_OBJECT

public:
    // What the source asks of the screen around it.
    class Screen
    {
    public:
        virtual ~Screen() = default;
        virtual int connectionKind() const = 0;
        // The item view of the shown page and the page (ViewPage values).
        virtual QAbstractItemView* currentPageView() const = 0;
        virtual int currentPage() const = 0;
        virtual bool pageShown() const = 0;
        // A viewer download or rotation upload has the phone.
        virtual bool transferring() const = 0;
    };

    // context: the host's, asked at each use.
    HostThumbnailSource(
        Screen* screen, std::function<PluginHostContext*()> context, QObject* parent);
    ~HostThumbnailSource() override;

    void setItems(OCMediaItemList* list, PhotoItemViewModel* model, ThumbnailUpdater* updater);
    // The maker always; the manager in partial loading only.
    void create(QTableView* table);
    // Before the views go: the manager's worker may still hand pictures over.
    void releaseManager();
    OCThumnailMaker* maker() const { return m_maker; }

    // From the manager's cache (ThumbnailLookup).
    QPixmap cachedThumbnail(const QString& path) const override;
    // From the photo database; null when it has none yet.
    QPixmap storedThumbnail(const QString& path) const;
    // True when the database does not know the path: a fetch for it was
    // started. Otherwise, with announce, fetchEnded.
    bool fetchUnknown(const QString& path, bool announce);
    // Rows came into view: marks them seen and asks for their thumbnails.
    void loadVisibleRows();

    void pausePartialLoading() { m_partialLoading.pause(); }
    void stopPartialLoading() { m_partialLoading.stop(); }
    void resumePartialLoading();
    void stopPartialThumbnailFetch() { m_partialLoading.stopThumbnailFetch(); }

signals:
    void fetchEnded();
    void rowChanged(int row);
    void repaintWanted();

public slots:
    // The manager reports by name: a picture file that lives until the slot
    // has run, and the end of each request.
    void on_update_item_thumbnail(const QString& path, const QString& temp);
    void on_GetThumbnail_Finish();

private:
    Screen* m_screen;
    std::function<PluginHostContext*()> m_context;
    OCMediaItemList* m_list = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    ThumbnailUpdater* m_updater = nullptr;
    QPointer<OCThumbnailManager> m_manager;
    OCThumnailMaker* m_maker = nullptr;
    PartialLoadingControl m_partialLoading;
};
