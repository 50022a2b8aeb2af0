#pragma once

#include <QModelIndex>
#include <QObject>
#include <QStringList>

#include <functional>

class IDeviceNexaAgent;
class OCMediaItemList;
class PhotoItemViewModel;
class QWidget;
class SelectionChecker;

// Missing files on mass storage: which rows' files exist (a row's check on
// the spot, the selection's in the background), and locating a missing one:
// the user picks the file on the PC, and it takes the listed photo's place,
// together with the other missing photos of the same name that the chosen
// folder holds. The media-transfer kinds are never checked.
class LocateOperation : public QObject
{
    Q_OBJECT

public:
    // What locating asks of the screen around it.
    class Screen
    {
    public:
        virtual ~Screen() = default;
        virtual void pauseInsertThreads(bool paused) = 0;
        // The located files are listed in the places of the rows removed.
        virtual void listLocatedFiles(const QStringList& files) = 0;
    };

    LocateOperation(Screen* screen, QWidget* dialogParent, std::function<IDeviceNexaAgent*()> agent,
        std::function<bool()> mediaTransfer, QObject* parent = nullptr);

    void setItems(OCMediaItemList* list, PhotoItemViewModel* model);
    // Asks for the file of index's photo; false when nothing was located
    // (refused while a listing or a transfer runs, or no file chosen).
    bool locate(const QModelIndex& index);
    // The row's existence flag; a missing file, with ask, is offered to be
    // located.
    bool checkExists(const QModelIndex& index, bool ask);
    // Asks the agent whether the row's file exists, and keeps the answer.
    bool checkRow(const QModelIndex& index);
    // The rows' existence, asked in the background; a selection of missing
    // files only sets the plug-in's state for it.
    void checkSelection(const QModelIndexList& rows);
    // Never waits: a check stuck in a hung file system is left, and its
    // answer dropped when it comes.
    void cancelSelectionCheck();
    // Shut-down: waits, pumping events, at most ms for the checks out.
    bool waitForSelectionCheck(int ms);

private:
    void relink(const QString& path, const QString& chosen);
    void keepExists(const QModelIndex& index, bool exists);
    void selectionChecked(const QList<QPersistentModelIndex>& rows, const QVector<bool>& found);

    Screen* m_screen;
    QWidget* m_dialogParent;
    std::function<IDeviceNexaAgent*()> m_agent;
    std::function<bool()> m_mediaTransfer;
    SelectionChecker* m_checker;
    OCMediaItemList* m_list = nullptr;
    PhotoItemViewModel* m_model = nullptr;
};
