#pragma once

#include <QModelIndex>
#include <QObject>
#include <QStringList>

class OCMediaItemList;
class PhotoItemViewModel;
class QWidget;

// Locates a photo whose file is missing on mass storage: the user picks
// the file on the PC, and it takes the listed photo's place, together with
// the other missing photos of the same name that the chosen folder holds.
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

    LocateOperation(Screen* screen, QWidget* dialogParent, QObject* parent = nullptr);

    void setItems(OCMediaItemList* list, PhotoItemViewModel* model);
    // Asks for the file of index's photo; false when nothing was located
    // (refused while a listing or a transfer runs, or no file chosen).
    bool locate(const QModelIndex& index);
    // The row's existence flag; a missing file, with ask, is offered to be
    // located.
    bool checkExists(const QModelIndex& index, bool ask);

private:
    void relink(const QString& path, const QString& chosen);

    Screen* m_screen;
    QWidget* m_dialogParent;
    OCMediaItemList* m_list = nullptr;
    PhotoItemViewModel* m_model = nullptr;
};
