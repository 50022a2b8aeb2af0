// The view settings, read when the widget is built and written when it is
// destroyed, and the phone's capabilities that override them.
#include "ocpluginwidget.h"

#include <QDebug>

#include "host/contract/ideviceagent.h"
#include "host/contract/iplugins.h"
#include "host/contract/pluginhostcontext.h"
#include "host/device/devicefunctions.h"
#include "host/services/logcategories.h"
#include "host/services/registry.h"
#include "host/widgets/cexttableview.h"
#include "model/photoroles.h"
#include "screen/photoitemviewwidget.h"

namespace {

const int Root = 1;
const QString SettingsKey
    = QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0\\PluginSetting\\PhonePhoto");
const QString DeviceKey = QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0\\DeviceDB\\%1");
const int DefaultViewMode = PhotoItemViewWidget::AlbumMode;
const int DefaultThumbSize = 2;
const int PhoneThumbnailBit = 4;

struct TableKeys
{
    int mode;
    const char* columnList;
    const char* columnWidth;
    const char* sortColumn;
    const char* sortOrder;
};

const TableKeys Tables[] = {
    { PhotoItemViewWidget::ListMode, "ListColumnList", "ListColumnWidth", "ListSortColumn",
        "ListSortOrder" },
    { PhotoItemViewWidget::ThumbListMode, "ThumbListColumnList", "ThumbListColumnWidth",
        "ThumbListSortColumn", "ThumbListSortOrder" },
};

int readInt(const char* name)
{
    return GetRegstryInt(Root, SettingsKey, QLatin1String(name));
}

// A stored sort: column -1 gives the mode's default, ascending, and the
// order is not read; any order other than 1 is ascending.
void restoreSort(PhotoItemViewWidget* view, int mode, const char* columnName, const char* orderName)
{
    int column = readInt(columnName);
    int order = 0;
    if (column == -1)
        column = PhotoItemViewWidget::DefaultSortColumn(mode);
    else
        order = readInt(orderName) == 1 ? 1 : 0;
    view->SetSortInfo(mode, column, order);
}

} // namespace

void OCPluginWidget::initValue()
{
    m_view->CreateThumbnailMachinery();
    RestoreViewSettings();
    ApplyDeviceCapabilities();
}

void OCPluginWidget::RestoreViewSettings()
{
    for (const TableKeys& table : Tables) {
        const QString order = GetRegstryStr(Root, SettingsKey, QLatin1String(table.columnList));
        if (!order.isEmpty())
            m_view->SetColumnList(table.mode, order);
        const QString widths = GetRegstryStr(Root, SettingsKey, QLatin1String(table.columnWidth));
        if (!widths.isEmpty())
            m_view->SetColumnWidths(table.mode, widths);
        restoreSort(m_view, table.mode, table.sortColumn, table.sortOrder);
    }
    restoreSort(m_view, PhotoItemViewWidget::AlbumMode, "ThumbSortColumn", "ThumbSortOrder");

    const int size = readInt("ThumbSize");
    m_view->SetThumbSize(size == -1 ? DefaultThumbSize : size);
    int mode = readInt("ViewMode");
    if (mode != PhotoItemViewWidget::ListMode && mode != PhotoItemViewWidget::ThumbListMode
        && mode != PhotoItemViewWidget::AlbumMode)
        mode = DefaultViewMode;
    m_view->SetViewMode(mode, true);
}

void OCPluginWidget::ApplyDeviceCapabilities()
{
    PluginHostContext* context = m_plugin ? m_plugin->hostContext : nullptr;
    IDeviceNexaAgent* agent = context ? context->deviceAgent : nullptr;
    const int index = agent ? agent->GetDeviceIndex() : -1;
    const int kind = getFileAgentType(index);
    m_view->setFileAgentType(kind);
    const bool mediaTransfer = kind == ConnectionKind::MtpBasic || kind == ConnectionKind::Mtp;
    if (mediaTransfer)
        m_view->SetViewMode(PhotoItemViewWidget::ListMode, true);
    // Files reached only through the agent have no resolution to show.
    for (CExtTableView* table : { m_view->listView(), m_view->thumbListView() }) {
        table->setColumnHidden(PhotoColumn::Resolution, mediaTransfer);
        if (mediaTransfer)
            table->setColumnWidth(PhotoColumn::Resolution, 0);
        else
            table->setColumnWidth(PhotoColumn::Resolution, table == m_view->listView() ? 124 : 118);
    }
    if (!(getMTPThumbnailSupportType(index) & PhoneThumbnailBit)) {
        qCWarning(lcPlugin)
            << "OCPluginWidget::initValue mtp device is not supported photo thumbnail";
        m_view->SetViewMode(PhotoItemViewWidget::ListMode, true);
        m_view->setPhoneThumbnails(false);
    }
    const int viewerThumbnails
        = GetRegstryInt(Root, DeviceKey.arg(index), QStringLiteral("MTPThumbnail"));
    if (!(viewerThumbnails & PhoneThumbnailBit))
        m_view->setViewerThumbnails(false);
    qCDebug(lcPlugin) << "OCPluginWidget::initValue wifi connect & supported photo viewer thumbnail"
                      << viewerThumbnails;
}

void OCPluginWidget::SaveViewSettings()
{
    if (!m_view)
        return;
    SetRegstryInt(Root, SettingsKey, QStringLiteral("ViewMode"), m_view->GetViewMode(true));
    for (const TableKeys& table : Tables) {
        SetRegstryStr(
            Root, SettingsKey, QLatin1String(table.columnList), m_view->GetColumnList(table.mode));
        SetRegstryStr(Root, SettingsKey, QLatin1String(table.columnWidth),
            m_view->GetColumnWidths(table.mode));
        SetRegstryInt(
            Root, SettingsKey, QLatin1String(table.sortColumn), m_view->GetSortColumn(table.mode));
        SetRegstryInt(
            Root, SettingsKey, QLatin1String(table.sortOrder), m_view->GetSortOrder(table.mode));
    }
    SetRegstryInt(Root, SettingsKey, QStringLiteral("ThumbSortColumn"),
        m_view->GetSortColumn(PhotoItemViewWidget::AlbumMode));
    SetRegstryInt(Root, SettingsKey, QStringLiteral("ThumbSortOrder"),
        m_view->GetSortOrder(PhotoItemViewWidget::AlbumMode));
    SetRegstryInt(Root, SettingsKey, QStringLiteral("ThumbSize"), m_view->GetThumbSize());
}
