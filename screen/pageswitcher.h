#pragma once

#include <QObject>

#include <functional>

class PhotoItemViewModel;
class QStackedWidget;

// Switches the photo screen's pages for a view mode, remembers the mode the
// user chose, and tells the host which mode shows and which of its view
// buttons to disable.
class PageSwitcher : public QObject
{
    Q_OBJECT

public:
    // What the choice of page and the host's buttons depend on.
    struct Conditions
    {
        bool visible = false; // the screen's parent is shown
        bool viewerOpen = false;
        bool phoneThumbnails = true;
        bool mediaTransfer = false; // files are reached through the agent
        bool listed = false;
    };

    PageSwitcher(
        QStackedWidget* pages, std::function<Conditions()> conditions, QObject* parent = nullptr);

    void setModel(PhotoItemViewModel* model) { m_model = model; }
    int mode(bool remembered) const;
    // The mode whose page a request shows, remembered if asked; -1 when
    // none: no page has the mode, or the open viewer keeps its page (the
    // host then hears the viewer's mode).
    int resolve(int mode, bool remember);
    // Reports the mode and shows its page; true when the page changed.
    bool show(int mode);
    void report(int mode);

signals:
    // Flags name the host's view buttons to disable: 1 list, 2 thumbnail list, 4 albums.
    void viewModeReported(int mode, uint flags);

private:
    void publishMode(int mode);

    QStackedWidget* m_pages;
    PhotoItemViewModel* m_model = nullptr;
    std::function<Conditions()> m_conditions;
    int m_remembered = 0;
};
