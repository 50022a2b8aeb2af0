#include "screen/pageswitcher.h"

#include <QStackedWidget>

#include "host/contract/ocglobal.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "model/photoitemviewmodel.h"
#include "screen/viewpage.h"

namespace {

const quint32 AllModeBits = OCSharedValue::PluginViewMode0 | OCSharedValue::PluginViewMode1
    | OCSharedValue::PluginViewMode2 | OCSharedValue::PluginViewMode3
    | OCSharedValue::PluginViewMode5;
const uint AllViewButtons = 7;

quint32 modeBit(int mode)
{
    switch (mode) {
    case ViewPage::List:
        return OCSharedValue::PluginViewMode0;
    case ViewPage::ThumbList:
        return OCSharedValue::PluginViewMode1;
    case ViewPage::Album:
        return OCSharedValue::PluginViewMode2;
    case ViewPage::Viewer:
        return OCSharedValue::PluginViewMode3;
    case ViewPage::None:
        return OCSharedValue::PluginViewMode5;
    default:
        return 0;
    }
}

} // namespace

PageSwitcher::PageSwitcher(
    QStackedWidget* pages, std::function<Conditions()> conditions, QObject* parent)
    : QObject(parent)
    , m_pages(pages)
    , m_conditions(std::move(conditions))
{
}

int PageSwitcher::mode(bool remembered) const
{
    return remembered ? m_remembered : m_pages->currentIndex();
}

int PageSwitcher::resolve(int mode, bool remember)
{
    const Conditions now = m_conditions();
    if (now.viewerOpen && mode != ViewPage::Viewer) {
        report(mode);
        return -1;
    }
    if (!now.phoneThumbnails && (mode == ViewPage::ThumbList || mode == ViewPage::Album))
        mode = ViewPage::List;
    if (mode < ViewPage::List || mode > ViewPage::Viewer) {
        qCDebug(lcScreen) << "PageSwitcher::resolve : no page for mode" << mode;
        return -1;
    }
    if (remember)
        m_remembered = mode;
    return mode;
}

bool PageSwitcher::show(int mode)
{
    qCDebug(lcScreen) << "PageSwitcher::show : mode" << mode;
    report(mode);
    publishMode(mode);
    if (m_pages->currentIndex() == mode)
        return false;
    m_pages->setCurrentIndex(mode);
    if (m_model)
        m_model->SetViewMode(mode);
    return true;
}

void PageSwitcher::report(int mode)
{
    const Conditions now = m_conditions();
    if (!now.visible)
        return;
    uint disabled = 0;
    if (now.viewerOpen && mode != ViewPage::Viewer) {
        mode = ViewPage::Viewer;
        disabled = AllViewButtons;
    } else if (mode == ViewPage::Viewer || mode == ViewPage::Current || !now.phoneThumbnails
        || (now.mediaTransfer && !now.listed)) {
        disabled = AllViewButtons;
    }
    emit viewModeReported(mode, disabled);
}

void PageSwitcher::publishMode(int mode)
{
    const int type = OCGlobal::ITEM_PHONE_PHOTO;
    g_SharedValue.deleteState(type, AllModeBits, OCSharedValue::PluginState);
    if (const quint32 bit = modeBit(mode))
        g_SharedValue.addState(type, bit, OCSharedValue::PluginState);
}
