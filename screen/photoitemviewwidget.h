#pragma once

#include <QItemSelection>
#include <QPixmap>
#include <QPointer>
#include <QStackedWidget>
#include <QTimer>

class OCMediaItemList;
class PhotoItemViewModel;
class QAbstractItemView;
struct PluginHostContext;

// The phone photo screen: a stack of pages (list, thumbnail list, albums,
// viewer) over one model. This holds what the model and the insert threads
// rely on; the pages and commands are added where they are built.
class PhotoItemViewWidget : public QStackedWidget
{
    Q_OBJECT

public:
    explicit PhotoItemViewWidget(QWidget* parent = nullptr);
    ~PhotoItemViewWidget() override;

    void setHostContext(PluginHostContext* context) { m_hostContext = context; }
    PluginHostContext* hostContext() const { return m_hostContext; }
    void setMediaList(OCMediaItemList* list) { m_mediaList = list; }
    OCMediaItemList* mediaList() const { return m_mediaList; }
    void setModel(PhotoItemViewModel* model) { m_model = model; }
    PhotoItemViewModel* model() const { return m_model; }

    // Connection kind (ConnectionKind values).
    int fileAgentType() const { return m_fileAgentType; }
    void setFileAgentType(int kind) { m_fileAgentType = kind; }

    // The cached thumbnail of a path; null until the thumbnail manager exists.
    QPixmap GetThumbnail(const QString& path, bool fromManager);

    // True when an event is about a file this plug-in itself sent to the
    // phone: its removal (code 9) is not shown, and its new object id
    // (code 7) only re-indexes the item.
    bool isOwnTransferEvent(const QString& objectId, const QString& path, int code);

    // After rows were inserted, removed or reset; bursts cost one refresh.
    void refreshAfterRowChange();
    void repaintCurrentView();
    // Brings the row of a listed path into view and selects it.
    bool showItemOfPath(const QString& path);
    // The item view of the current page; null when the page has none.
    QAbstractItemView* currentPageView() const;
    void hideDropIndicator();

signals:
    void on_signal_view_selection_change(QItemSelection selected, QItemSelection deselected);

private slots:
    void on_rows_changed();
    void on_paint_resume();

private:
    PluginHostContext* m_hostContext = nullptr;
    OCMediaItemList* m_mediaList = nullptr;
    PhotoItemViewModel* m_model = nullptr;
    int m_fileAgentType = 0x80000;
    QTimer m_rowChangeTimer;
    // While rows stream in, the current view paints at most once per
    // interval instead of once per row.
    QTimer m_paintTimer;
    QPointer<QAbstractItemView> m_heldView;
};
