#include "screen/locateoperation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

// The screen's texts keep the screen's translation context.
QString text(const char* source)
{
    return GetQString(QCoreApplication::translate("PhotoItemViewWidget", source));
}

CPhotoDataItem* itemOf(const QModelIndex& index)
{
    return reinterpret_cast<CPhotoDataItem*>(
        index.data(PhotoRole::ItemPointerRole).value<quintptr>());
}

// A listing or a host transfer runs: no locating now.
const char* busyReason()
{
    if (g_SharedValue.hasProcessState(PhotoType, OCSharedValue::ProcessListing))
        return "Loading";
    const quint32 bits = OCSharedValue::ProcessTransferB;
    if ((g_SharedValue.getProcessState(OCGlobal::ITEM_PHONE_PHOTO) & bits)
        || (g_SharedValue.getProcessState(OCGlobal::ITEM_PC_PHOTO) & bits))
        return "Transferring";
    return nullptr;
}

} // namespace

LocateOperation::LocateOperation(Screen* screen, QWidget* dialogParent, QObject* parent)
    : QObject(parent)
    , m_screen(screen)
    , m_dialogParent(dialogParent)
{
}

void LocateOperation::setItems(OCMediaItemList* list, PhotoItemViewModel* model)
{
    m_list = list;
    m_model = model;
}

bool LocateOperation::locate(const QModelIndex& index)
{
    qCDebug(lcScreen) << "LocateOperation::locate : start";
    if (!m_list || !m_model || !index.isValid())
        return false;
    if (const char* reason = busyReason()) {
        qCDebug(lcScreen) << "LocateOperation::locate :" << reason;
        return false;
    }
    g_SharedValue.addState(PhotoType, OCSharedValue::ProcessRenameLocate);
    const QString path = index.data(PhotoRole::PathRole).toString();
    QStringList patterns;
    for (const QString& extension : m_list->photoExtensions())
        patterns << QStringLiteral("*.") + extension;
    const QString chosen
        = QFileDialog::getOpenFileName(m_dialogParent, text("Import file to library"),
            GetDefaultOpenDialogPath(PhotoType, path), patterns.join(QLatin1Char(' ')));
    if (chosen.isEmpty()) {
        qCDebug(lcScreen) << "LocateOperation::locate : end (empty path)";
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessRenameLocate);
        return false;
    }

    m_screen->pauseInsertThreads(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    relink(path, chosen);
    QApplication::restoreOverrideCursor();
    m_screen->pauseInsertThreads(false);
    g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessRenameLocate);
    qCDebug(lcScreen) << "LocateOperation::locate : end" << path << "->" << chosen;
    return true;
}

void LocateOperation::relink(const QString& path, const QString& chosen)
{
    const QString folder = toStoredPath(QFileInfo(chosen).absolutePath());
    QStringList pairs { path };
    QStringList located { toStoredPath(chosen) };
    // Other missing files of the same name in the chosen folder moved with it.
    for (int row = 0; row < m_model->rowCount(); ++row) {
        CPhotoDataItem* item = itemOf(m_model->index(row, 0));
        if (!item)
            continue;
        item->setExists(QFile::exists(toFileSystemPath(item->path)));
        if (item->exists() || item->path == path)
            continue;
        const QString candidate = QStringLiteral("%1\\%2").arg(folder, item->fileName());
        const QFileInfo info(toFileSystemPath(candidate));
        if (info.exists() && info.isFile() && !info.isHidden() && !located.contains(candidate)) {
            pairs << item->path;
            located << candidate;
        }
    }
    qCDebug(lcScreen) << "LocateOperation::relink : located" << located;
    m_model->RemoveListedItems(m_list, pairs);
    m_screen->listLocatedFiles(located);
}

bool LocateOperation::checkExists(const QModelIndex& index, bool ask)
{
    if (!index.isValid())
        return false;
    const bool exists = index.data(PhotoRole::ExistsRole).toBool();
    if (const char* reason = busyReason()) {
        qCDebug(lcScreen) << "LocateOperation::checkExists :" << reason;
        return exists;
    }
    if (!exists && ask) {
        const QString path = index.data(PhotoRole::PathRole).toString();
        MSGBoxOptions options;
        options.buttons
            = { { MsgBoxFlag::Ok, text("Locate") }, { MsgBoxFlag::Cancel, text("Cancel") } };
        options.defaultButton = MsgBoxFlag::Ok;
        const QString question
            = text("Can not find the original file of \"%1\"\n").arg(getFileName(path, true))
            + text("Do you want to find the original file?");
        const quint32 answer
            = OCMsgBox::ShowOCMessageBox(m_dialogParent, text("Locate the original"), question, 0,
                MsgBoxFlag::Ok | MsgBoxFlag::Cancel, &options);
        if (answer & MsgBoxFlag::Ok)
            locate(index);
    }
    return exists;
}
