#pragma once

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QTimer>

#include <memory>

#include "screen/thumbnailprovider.h"
#include "screen/thumbnailsharpener.h"

class CPhotoDataItem;
class OCMediaItemList;
class PhotoItemViewModel;
class PhotoViwerList;

// Fills the items' thumbnails from a provider, one request at a time, by two
// chains: the list chain for the thumbnail pages (the rows in view first,
// then the rest in the list's order) and the viewer chain for the film strip
// around the shown photo. A chain is request -> answer -> 50 ms -> request;
// at most one request is out, and flag 0x1000 of item type 16 is set while a
// chain runs. An answer is written into its item, and the model reports the
// row changed.
class ThumbnailUpdater : public QObject
{
    Q_OBJECT

public:
    // What the updater asks of the screen around it.
    class Screen
    {
    public:
        virtual ~Screen() = default;
        // A listing is complete and nothing competes with the phone.
        virtual bool thumbnailStepAllowed() const = 0;
        // Thumbnails are wanted: a thumbnail page is shown, no viewer.
        virtual bool listChainWanted() const = 0;
        virtual bool viewerChainWanted() const = 0;
        virtual bool viewerIsOpen() const = 0;
        virtual bool isMassStorage() const = 0;
        virtual bool thumbnailsFromPhone(bool viewer) const = 0;
        virtual QList<CPhotoDataItem*> itemsInView() const = 0;
        virtual PhotoViwerList* filmStrip() const = 0;
        // Both chains wait for the viewer's download.
        virtual bool heldForViewerDownload() const = 0;
        virtual void showBusy(bool viewer) = 0;
        virtual void hideBusy() = 0;
        // The viewer chain has nothing more to ask for.
        virtual void viewerChainIdle() = 0;
        // The box the current page paints a thumbnail into, in device
        // pixels; invalid: thumbnails are not shown larger than stored.
        virtual QSize thumbnailCell() const { return {}; }
    };

    // The film-strip rows the viewer chain walks: from the row after start
    // to the row before end. current is the shown row, firstVisible the
    // strip's first visible row.
    struct Window
    {
        int start = -1;
        int end = -1;
    };
    static Window viewerWindow(int current, int firstVisible, int perPage, int count);

    ThumbnailUpdater(Screen* screen, std::unique_ptr<ThumbnailProvider> listProvider,
        std::unique_ptr<ThumbnailProvider> viewerProvider, QObject* parent = nullptr);
    ~ThumbnailUpdater() override;

    void setItems(OCMediaItemList* list, PhotoItemViewModel* model);
    // Providers for files this computer reaches (mass storage): only the
    // rows in view are asked for, without a pause between them.
    void setLocalProviders(
        std::unique_ptr<ThumbnailProvider> list, std::unique_ptr<ThumbnailProvider> viewer);

    void startListChain();
    void startViewerChain();
    // Both chains end after the request that is out.
    void stop();
    // A new listing: what was asked for the old one is forgotten.
    void reset();
    void requestNextListThumbnail();
    void requestNextViewerThumbnail();
    // error: the provider's answer (ThumbnailProvider::Answer or a failure).
    void listAnswered(int error);
    void viewerAnswered(int error);
    // Writes a picture into its item; only the item's row repaints.
    void store(CPhotoDataItem* item, const QPixmap& pixmap);
    void store(CPhotoDataItem* item, const CachedThumbnail& stored);

    // The listed file as a cache knows it; an empty path when its size or
    // time is unknown.
    static DeviceFileKey fileKey(const CPhotoDataItem* item);

private:
    bool isLocal() const;
    ThumbnailProvider& provider(bool viewerChain) const;
    void storeAnswer(bool viewerChain, CPhotoDataItem* item);
    // Asks the list provider for what it keeps of this listing, once.
    bool recallListing();
    void takeRecalled(quint64 generation, const ThumbnailProvider::Recalled& found);
    bool stepAllowed(const char* method);
    bool chainBusy(bool viewerChain) const;
    CPhotoDataItem* nextListItem() const;
    CPhotoDataItem* filmStripItem(int row) const;
    void endChains();
    // Cells in view shown larger than their thumbnail get a sharper one.
    void sharpenInView();

    Screen* m_screen = nullptr;
    std::unique_ptr<ThumbnailProvider> m_listProvider;
    std::unique_ptr<ThumbnailProvider> m_viewerProvider;
    std::unique_ptr<ThumbnailProvider> m_localListProvider;
    std::unique_ptr<ThumbnailProvider> m_localViewerProvider;
    OCMediaItemList* m_list = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    ThumbnailSharpener m_sharpener;

    bool m_stopped = false;
    bool m_requestOut = false;
    bool m_recalled = false; // this listing's kept thumbnails were asked for
    bool m_recalling = false;
    quint64 m_generation = 0; // a new listing makes a late recall stale
    QString m_listPath; // the list chain's request that is out
    QString m_viewerPath; // the viewer chain's request that is out
    int m_windowStart = -1;
    int m_windowEnd = -1;
    int m_perPage = 0;
    // The 50 ms between an answer and the next request of each chain.
    QTimer m_listStep;
    QTimer m_viewerStep;
};
