#include "screen/propertiescontroller.h"
#include "screen/screenshared.h"

#include <QCoreApplication>

#include "dialogs/filenamecheck.h"
#include "dialogs/propertydialog.h"
#include "host/contract/errorboxcode.h"
#include "host/contract/ideviceagent.h"
#include "host/device/devicefunctions.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoroles.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

} // namespace

PropertiesController::PropertiesController(Screen* screen, QWidget* dialogParent,
    std::function<IDeviceNexaAgent*()> agent, void* renameCallback, QObject* parent)
    : QObject(parent)
    , m_screen(screen)
    , m_dialogParent(dialogParent)
    , m_agent(std::move(agent))
    , m_renameCallback(renameCallback)
{
}

PropertiesController::~PropertiesController() = default;

QString PropertiesController::storageRoot() const
{
    IDeviceNexaAgent* phone = agent();
    return phone ? phone->StorageRoot() : QString();
}

void PropertiesController::showProperties()
{
    qCDebug(lcScreen) << "PropertiesController::showProperties : start";
    const QModelIndex current = m_screen->commandIndex();
    CPhotoDataItem* item = current.isValid() ? photoItemOf(current) : nullptr;
    if (!m_list || !item || m_dialog) {
        qCDebug(lcScreen) << "PropertiesController::showProperties :"
                          << (m_dialog ? "a dialog is open" : "no current item");
        return;
    }
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessRenameLocate);
    const QString oldPath = item->path;
    m_propertyPath = oldPath;
    QPointer<PropertiesController> self(this);
    m_dialog = new PropertyDialog(this, item);
    if (g_SharedValue.IsPartialLoading()) {
        // A thumbnail the database knows is announced at once, during the call.
        m_awaitingThumbnail = true;
        m_awaitingThumbnail = m_screen->fetchThumbnail(oldPath);
    } else if (item->thumbnail().isNull()) {
        m_dialog->on_update_thumbnail();
    }
    connect(m_dialog, &PropertyDialog::on_signal_showinwindows, this,
        &PropertiesController::showInFileManagerRequested);
    m_renameFiles.clear();
    bool ok = true;
    const int answer = m_dialog->exec();
    if (!self)
        return;
    m_awaitingThumbnail = false;
    if (answer == QDialog::Accepted && m_dialog) {
        qCDebug(lcScreen) << "PropertiesController::showProperties : accepted";
        // The dialog ran an event loop: the item may have gone meanwhile.
        if (CPhotoDataItem* still = m_list ? m_list->findItem(oldPath, false) : nullptr)
            ok = rename(still, m_dialog->GetTitle());
    }
    m_propertyPath.clear();
    delete m_dialog;
    if (m_renameFiles.size() != 2)
        renameEnded(ok);
    qCDebug(lcScreen) << "PropertiesController::showProperties : end";
}

void PropertiesController::thumbnailFetched()
{
    if (m_awaitingThumbnail && m_dialog)
        m_dialog->on_update_thumbnail();
}

void PropertiesController::closeDialog()
{
    if (m_dialog)
        m_dialog->reject();
}

bool PropertiesController::rename(CPhotoDataItem* item, const QString& newName)
{
    if (newName == item->title)
        return true;
    const QString oldPath = item->path;
    const QString ext = item->fileType();
    const QString refusal = FileNameCheck::refusal(newName, ext);
    if (!refusal.isEmpty()) {
        qCWarning(lcScreen) << "PropertiesController::rename : name refused" << newName << refusal;
        OCMsgBox::ShowOCMessageBox(
            m_dialogParent, screenText("Notice"), refusal, 0, MsgBoxFlag::Ok);
        return true;
    }
    const QString fileName = ext.isEmpty() ? newName : newName + QLatin1Char('.') + ext;
    const QString newPath = getFileDir(oldPath) + QLatin1Char('\\') + fileName;
    CPhotoDataItem* taken = m_list->findItem(newPath, false);
    // A change of case only finds the item itself.
    if (taken && taken != item) {
        qCWarning(lcScreen) << "PropertiesController::rename : name taken" << newPath;
        return false;
    }
    qCDebug(lcScreen) << "PropertiesController::rename :" << oldPath << "->" << fileName;
    m_screen->pausePartialLoading();
    const int result = RenameFileInPhone(agent(), oldPath, fileName, m_renameCallback);
    if (result == AgentResult::Ok) {
        m_renameFiles = QStringList { oldPath, newPath };
    } else if (result == AgentResult::NotSupported) {
        // Not the name's fault: no name would do on this device.
        qCWarning(lcScreen) << "PropertiesController::rename : the device cannot rename";
        OCMsgBox::ShowOCMessageBox(m_dialogParent, screenText("Notice"),
            screenText("This device cannot rename files."), 0, MsgBoxFlag::Ok);
    } else {
        qCWarning(lcScreen) << "PropertiesController::rename : refused" << result;
        return false;
    }
    return true;
}

void PropertiesController::renameEnded(bool result)
{
    qCDebug(lcScreen) << "PropertiesController::renameEnded :" << result << m_renameFiles;
    if (!result) {
        OCMsgBox::OCErrorMessageBox(
            m_dialogParent, screenText("Notice"), ErrorBoxCode::RenameFailed);
    } else if (m_renameFiles.size() == 2 && m_list
        && m_list->findItem(m_renameFiles.at(0), false)) {
        m_list->renameItem(m_renameFiles.at(0), m_renameFiles.at(1));
        m_screen->photoRenamed();
    }
    m_renameFiles.clear();
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessRenameLocate);
    m_screen->resumePartialLoading();
}

void PropertiesController::showInFileManager()
{
    const int kind = m_screen->connectionKind();
    const QModelIndex current = m_screen->commandIndex();
    if (kind == ConnectionKind::MtpBasic || !current.isValid())
        return;
    QString path = current.data(PhotoRole::PathRole).toString(); // the agent takes a reference
    qCDebug(lcScreen) << "PropertiesController::showInFileManager" << path;
    bool shown = false;
    if (kind == ConnectionKind::MassStorage)
        shown = OpenWindowExplorer(path);
    else if (kind == ConnectionKind::Mtp && agent())
        shown = agent()->GetLocalPath(path) == 0;
    // Nothing answering is no reason to stay silent.
    if (!shown)
        OCMsgBox::ShowOCMessageBox(m_dialogParent, screenText("Show in file manager"),
            screenText("No file manager could show the folder of this photo."), 0, MsgBoxFlag::Ok);
}
