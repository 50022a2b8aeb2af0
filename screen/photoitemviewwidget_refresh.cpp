// Refresh: F5 and the host's Device > Refresh list the phone again and keep
// the selection and the scroll position where the files remain; the marks of
// the photos imported to this computer follow the host's import ledger.
#include "screen/photoitemviewwidget.h"

#include <QAbstractItemView>

#include "host/contract/pluginhostcontext.h"
#include "host/db/importledger.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "host/widgets/importedmark.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

// Work a new listing would collide with.
constexpr quint32 BusyFlags = OCSharedValue::ProcessListing | OCSharedValue::ProcessDelete
    | OCSharedValue::ProcessRenameLocate | OCSharedValue::ProcessDeviceInit
    | OCSharedValue::ProcessTransferToPhone | OCSharedValue::ProcessViewerDownload;

static_assert(PhotoRole::ImportedRole == ImportedMark::Role, "the views read the model's role");

} // namespace

void PhotoItemViewWidget::on_import_finished(int nItemType)
{
    if (nItemType == PhotoType)
        LoadImportedMarks();
}

void PhotoItemViewWidget::LoadImportedMarks()
{
    IDeviceNexaAgent* agent = m_hostContext ? m_hostContext->deviceAgent : nullptr;
    if (!m_model || !agent || !m_hostContext->dbManager)
        return;
    const QSet<QString> imported
        = ImportLedger(m_hostContext->dbManager).importedPathKeys(ImportLedger::deviceKeyOf(agent));
    qCDebug(lcScreen) << "PhotoItemViewWidget::LoadImportedMarks :" << imported.size();
    m_model->SetImportedPaths(imported);
}

void PhotoItemViewWidget::RefreshListing()
{
    if (g_SharedValue.hasProcessState(PhotoType, BusyFlags) || m_listingState == Listing
        || m_listingState == Merging) {
        qCDebug(lcScreen) << "PhotoItemViewWidget::RefreshListing : busy, not refreshed"
                          << m_listingState;
        return;
    }
    if (!isVisible()) {
        // Listed again when the screen is shown next.
        ResetListing();
        m_lastItemType = OCGlobal::ITEM_NONE;
        return;
    }
    QAbstractItemView* view = currentPageView();
    m_refreshPlace = ViewPlace::of(view, view ? selectedRowIndexes(view) : QModelIndexList());
    qCDebug(lcScreen) << "PhotoItemViewWidget::RefreshListing :" << m_refreshPlace.selectedCount()
                      << "selected, top" << m_refreshPlace.topPath();
    ResetListing();
    start_loaditems_thread();
}

void PhotoItemViewWidget::RestoreAfterRefresh()
{
    if (m_refreshPlace.isEmpty())
        return;
    m_refreshPlace.restoreIn(currentPageView());
    m_refreshPlace = ViewPlace();
}
