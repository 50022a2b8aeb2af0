#pragma once

#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

#include "dialogs/photopropertysource.h"

class CPhotoDataItem;
class IDeviceNexaAgent;
class OCMediaItemList;
class PropertyDialog;

// The commands on one photo: its properties dialog, the rename the dialog
// asks for, and its folder shown in the file manager. It is the dialog's
// PhotoPropertySource.
class PropertiesController : public QObject, public PhotoPropertySource
{
    Q_OBJECT

public:
    // What these commands ask of the screen around them.
    class Screen
    {
    public:
        virtual ~Screen() = default;
        // The photo a command is for: the current row of the shown view.
        virtual QModelIndex commandIndex() const = 0;
        virtual int connectionKind() const = 0;
        virtual QPixmap knownThumbnail(const QString& path) = 0;
        // Partial loading: true when the thumbnail is being fetched, and
        // thumbnailFetched follows; false when it was announced at once.
        virtual bool fetchThumbnail(const QString& path) = 0;
        virtual void pausePartialLoading() = 0;
        virtual void resumePartialLoading() = 0;
        // A photo has its new name: the pages re-sort and repaint.
        virtual void photoRenamed() = 0;
    };

    PropertiesController(Screen* screen, QWidget* dialogParent,
        std::function<IDeviceNexaAgent*()> agent, void* renameCallback, QObject* parent = nullptr);
    ~PropertiesController() override;

    void setItems(OCMediaItemList* list) { m_list = list; }
    // The dialog of the command's photo; a rename asked for in it starts
    // when it closes.
    void showProperties();
    // The agent's answer to the rename.
    void renameEnded(bool result);
    void showInFileManager();
    // The photo whose dialog is open; empty when none is.
    QString propertyPath() const { return m_propertyPath; }

    // PhotoPropertySource.
    QWidget* propertyDialogParent() override { return m_dialogParent; }
    QString storageRoot() const override;
    int connectionKind() const override { return m_screen->connectionKind(); }
    QPixmap knownThumbnail(const QString& path) override { return m_screen->knownThumbnail(path); }

signals:
    // The dialog asks for its photo's folder.
    void showInFileManagerRequested();

public slots:
    // The open dialog's thumbnail came, or its photo went.
    void thumbnailFetched();
    void closeDialog();

private:
    IDeviceNexaAgent* agent() const { return m_agent ? m_agent() : nullptr; }
    // False when the name was refused or the agent could not start.
    bool rename(CPhotoDataItem* item, const QString& newName);

    Screen* m_screen;
    QWidget* m_dialogParent;
    std::function<IDeviceNexaAgent*()> m_agent;
    void* m_renameCallback;
    OCMediaItemList* m_list = nullptr;
    QPointer<PropertyDialog> m_dialog;
    bool m_awaitingThumbnail = false;
    QString m_propertyPath;
    QStringList m_renameFiles; // old and new path while a rename runs
};
