#include "screen/locateoperation.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

#include "host/contract/ideviceagent.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/screenshared.h"
#include "screen/selectionchecker.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

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

LocateOperation::LocateOperation(Screen* screen, QWidget* dialogParent,
    std::function<IDeviceNexaAgent*()> agent, std::function<bool()> mediaTransfer, QObject* parent)
    : QObject(parent)
    , m_screen(screen)
    , m_dialogParent(dialogParent)
    , m_agent(std::move(agent))
    , m_mediaTransfer(std::move(mediaTransfer))
    , m_checker(new SelectionChecker(this))
{
    connect(m_checker, &SelectionChecker::finished, this, &LocateOperation::selectionChecked);
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
        = QFileDialog::getOpenFileName(m_dialogParent, screenText("Import file to library"),
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
        CPhotoDataItem* item = photoItemOf(m_model->index(row, 0));
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
        options.buttons = { { MsgBoxFlag::Ok, screenText("Locate") },
            { MsgBoxFlag::Cancel, screenText("Cancel") } };
        options.defaultButton = MsgBoxFlag::Ok;
        const QString question
            = screenText("Can not find the original file of \"%1\"\n").arg(getFileName(path, true))
            + screenText("Do you want to find the original file?");
        const quint32 answer
            = OCMsgBox::ShowOCMessageBox(m_dialogParent, screenText("Locate the original"),
                question, 0, MsgBoxFlag::Ok | MsgBoxFlag::Cancel, &options);
        if (answer & MsgBoxFlag::Ok)
            locate(index);
    }
    return exists;
}

bool LocateOperation::checkRow(const QModelIndex& index)
{
    if (!m_model)
        return false;
    if (m_mediaTransfer())
        return true;
    IDeviceNexaAgent* agent = m_agent();
    const bool exists = !agent || agent->IsFileExist(index.data(PhotoRole::PathRole).toString());
    keepExists(index, exists);
    return exists;
}

void LocateOperation::checkSelection(const QModelIndexList& rows)
{
    if (m_mediaTransfer())
        return;
    cancelSelectionCheck();
    QList<QPersistentModelIndex> kept;
    QStringList paths;
    for (const QModelIndex& index : rows) {
        kept << QPersistentModelIndex(index);
        paths << index.data(PhotoRole::PathRole).toString();
    }
    m_checker->start(kept, paths, m_agent());
}

void LocateOperation::cancelSelectionCheck()
{
    m_checker->cancel();
}

bool LocateOperation::waitForSelectionCheck(int ms)
{
    return m_checker->waitForIdle(ms);
}

void LocateOperation::selectionChecked(
    const QList<QPersistentModelIndex>& rows, const QVector<bool>& found)
{
    bool anyExists = false;
    for (int i = 0; i < found.size() && i < rows.size(); ++i) {
        anyExists = anyExists || found.at(i);
        if (rows.at(i).isValid())
            keepExists(rows.at(i), found.at(i));
    }
    qCDebug(lcScreen) << "LocateOperation::selectionChecked: examined" << found.size()
                      << "any exists" << anyExists;
    if (!anyExists && !found.isEmpty())
        g_SharedValue.addState(
            PhotoType, OCSharedValue::PluginSelectionChecked, OCSharedValue::PluginState);
}

void LocateOperation::keepExists(const QModelIndex& index, bool exists)
{
    // A row of the views' proxies is written where it is kept: in the model.
    QModelIndex row = index;
    while (row.isValid() && row.model() != m_model) {
        const auto* proxy = qobject_cast<const QAbstractProxyModel*>(row.model());
        row = proxy ? proxy->mapToSource(row) : QModelIndex();
    }
    if (row.isValid())
        m_model->setData(row, exists, PhotoRole::ExistsRole);
}
