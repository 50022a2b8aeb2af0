#include "screen/listingsession.h"

#include <QDebug>

#include <memory>

#include "host/contract/devicefilerecord.h"
#include "host/contract/ocglobal.h"
#include "host/device/devicefunctions.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/ocmodelinsertthread.h"
#include "model/photoitemviewmodel.h"

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;
// A given-up listing that has not reported its end by then never will.
const int AbandonedLimitMs = 3000;

} // namespace

ListingSession::ListingSession(const Setup& setup, QObject* parent)
    : QObject(parent)
    , m_setup(setup)
{
    // Mass storage merges the whole listing at its end, the other kinds row by row.
    const bool loadMode = setup.connectionKind != ConnectionKind::Mtp
        && setup.connectionKind != ConnectionKind::MtpBasic;
    m_thread = new OCModelInsertThread(loadMode, this);
    m_thread->setMediaList(setup.list);
    m_thread->setModel(setup.model);
    // Queued: the thread emits from its own code and must not go in the handler.
    connect(m_thread, &OCModelInsertThread::finished, this, &ListingSession::mergeEnded,
        Qt::QueuedConnection);
    connect(m_thread, &OCModelInsertThread::rowsChanged, this, &ListingSession::rowsChanged);
    connect(m_thread, &OCModelInsertThread::locatedItemListed, this,
        &ListingSession::locatedItemListed);
    m_abandonLimit.setSingleShot(true);
    m_abandonLimit.setInterval(AbandonedLimitMs);
    connect(&m_abandonLimit, &QTimer::timeout, this,
        [this] { givenUp("ListingSession: the abandoned listing never ended"); });
}

ListingSession::~ListingSession()
{
    // Its queue is given up; its row fetcher is never waited for longer
    // than a database read takes.
    m_thread->stop();
}

int ListingSession::stateCode(State state)
{
    switch (state) {
    case State::Waiting:
    case State::Listing:
    case State::Abandoned:
    case State::Cancelled:
        return 1;
    case State::Merging:
        return 2;
    case State::Listed:
        return 3;
    case State::Stopped:
        return 4;
    default:
        return 0;
    }
}

int ListingSession::insertEventCode(int connectionKind)
{
    switch (connectionKind) {
    case ConnectionKind::Mtp:
        return ItemEventCode::ListedFull;
    case ConnectionKind::MtpBasic:
        return ItemEventCode::ListedMinimal;
    default:
        return ItemEventCode::Listed;
    }
}

int ListingSession::changeEventCode(int changeKind, int connectionKind)
{
    switch (changeKind) {
    case DeviceChange::Added:
        return insertEventCode(connectionKind);
    case DeviceChange::ObjectIdAssigned:
        return ItemEventCode::ObjectIdAssigned;
    case DeviceChange::Changed:
        return ItemEventCode::Changed;
    case DeviceChange::Removed:
        return ItemEventCode::Removed;
    default:
        return ItemEventCode::EndOfBatch;
    }
}

void ListingSession::setState(State state)
{
    m_state = state;
    switch (state) {
    case State::Starting:
    case State::Mounting:
    case State::Listing:
    case State::Merging:
        g_SharedValue.addState(PhotoType, OCSharedValue::ProcessListing);
        break;
    case State::NotListed:
    case State::Listed:
    case State::Stopped:
        g_SharedValue.deleteState(PhotoType, OCSharedValue::ProcessListing);
        break;
    case State::Waiting:
    case State::Abandoned:
    case State::Cancelled:
        // The flag belongs to the listing that comes next.
        break;
    }
    emit stateChanged(state);
}

void ListingSession::start(bool needMountCheck)
{
    qCDebug(lcScreen) << "ListingSession::start : start" << needMountCheck;
    const bool shown = stateCode(m_state) == 1; // its loading overlay is the listing's
    setState(State::Starting);
    emit preparing();
    m_memoryStopped = false;
    m_gotEvents = false;

    IDeviceNexaAgent* agent = m_setup.agent;
    const int deviceIndex = agent ? agent->GetDeviceIndex() : -1;
    if (deviceIndex == -1) {
        setState(State::NotListed);
        emit deviceRefreshFinished();
        emit itemsChanged();
        emit loadingEnded();
        qCWarning(lcScreen) << "ListingSession::start get device failed";
        return;
    }
    if (m_setup.connectionKind == ConnectionKind::MassStorage && needMountCheck
        && IsConnectedPhone(agent) && !IsUMSAvailable(deviceIndex)) {
        qCDebug(lcScreen) << "ListingSession::start : mount the phone's storage first";
        setState(State::Mounting);
        agent->RequestUmsMount(deviceIndex, m_setup.mountCallback, 0);
        emit mountShown(true);
        return;
    }
    const int status = agent->StartItemLoad(QStringLiteral("ROOT"));
    qCDebug(lcScreen) << "ListingSession::start : StartItemLoad" << status;
    if (status == AgentResult::ListingStarted) {
        setState(State::Listing);
    } else if (status == AgentResult::Ok) {
        // Nothing to report: the listing is over, and empty.
        setState(State::Listing);
        finishReported();
    } else {
        if (!shown)
            emit itemsChanged();
        if (status == AgentResult::Busy)
            emit busyRefused();
        if (!shown)
            emit loadingEnded();
        setState(State::NotListed);
        emit deviceRefreshFinished();
    }
    qCDebug(lcScreen) << "ListingSession::start end" << stateCode(m_state);
}

void ListingSession::mountAnswered(int result)
{
    qCDebug(lcScreen) << "ListingSession::mountAnswered : result" << result;
    emit mountShown(false);
    if (result == MountResult::Mounted) {
        // The drive is there now: list it, without asking for it again.
        emit mounted();
        return;
    }
    setState(State::NotListed);
    emit deviceRefreshFinished();
    emit mountFailed(result);
}

void ListingSession::cardChanged()
{
    setState(State::Waiting);
}

bool ListingSession::abandon()
{
    if (m_state != State::Listing)
        return false;
    qCDebug(lcScreen) << "ListingSession::abandon : the phone's listing is given up";
    if (m_setup.agent)
        m_setup.agent->StopItemLoad();
    m_thread->stop();
    setState(State::Abandoned);
    m_abandonLimit.start();
    return true;
}

void ListingSession::stopMerging()
{
    m_thread->stop();
}

bool ListingSession::givenUp(const char* method)
{
    if (m_state == State::Cancelled) {
        qCDebug(lcScreen) << method << ": a cancelled listing, ignored";
        return true;
    }
    if (m_state != State::Abandoned)
        return false;
    qCDebug(lcScreen) << method << ": end of an abandoned listing";
    m_abandonLimit.stop();
    setState(State::Cancelled);
    emit cancelled();
    return true;
}

void ListingSession::startReported()
{
    if (m_state == State::Abandoned || m_state == State::Cancelled) {
        qCDebug(lcScreen) << "ListingSession::startReported : abandoned listing, dropped";
        return;
    }
    setState(State::Listing);
    emit started();
}

void ListingSession::itemReported(quintptr record)
{
    if (!record) {
        qCWarning(lcScreen) << "ListingSession::itemReported : info is null";
        return;
    }
    if (m_state != State::Listing) {
        qCDebug(lcScreen) << "ListingSession::itemReported : no listing under way, dropped"
                          << int(m_state);
        return;
    }
    auto item = std::make_unique<CPhotoDataItem>(record);
    const QString path = item->path;
    addEvent(ItemEvent(insertEventCode(m_setup.connectionKind), std::move(item)));
    qCDebug(lcScreen) << "ListingSession::itemReported" << path;
}

void ListingSession::finishReported()
{
    qCDebug(lcScreen) << "ListingSession::finishReported : state" << int(m_state);
    if (givenUp("ListingSession::finishReported"))
        return;
    emit reportsEnded();
    if (m_state == State::Stopped) {
        setState(State::NotListed);
        emit deviceRefreshFinished();
        return;
    }
    if (m_state != State::Listing) {
        qCDebug(lcScreen) << "ListingSession::finishReported : no listing under way, dropped";
        return;
    }
    setState(State::Merging);
    addEvent(ItemEvent());
}

void ListingSession::stopReported(int error)
{
    qCDebug(lcScreen) << "ListingSession::stopReported error =" << error;
    if (error != 0) {
        if (givenUp("ListingSession::stopReported"))
            return;
        setState(State::Stopped);
        emit deviceRefreshFinished();
    }
    emit stopped(error);
}

void ListingSession::addEvent(ItemEvent event)
{
    if (!m_setup.list || !m_setup.model)
        return;
    // Its last run ended so; how is forgotten once it runs again.
    if (m_thread->stoppedForMemory())
        m_memoryStopped = true;
    if (event.code != ItemEventCode::EndOfBatch) {
        m_gotEvents = true;
        m_thread->addData(std::move(event));
        return;
    }
    if (!m_gotEvents && m_thread->queueCount() == 0) {
        // Nothing was ever queued, so nothing is being merged either.
        qCDebug(lcScreen) << "ListingSession::addEvent : no item";
        m_thread->stop();
        mergeEnded();
    } else if (m_thread->isLoadMode()) {
        qCDebug(lcScreen) << "ListingSession::addEvent : execute";
        m_thread->exec();
    } else {
        // The thread ends once its queue is merged, the last row included.
        qCDebug(lcScreen) << "ListingSession::addEvent : finish";
        m_thread->finish();
    }
}

void ListingSession::mergeEnded()
{
    qCDebug(lcScreen) << "ListingSession::mergeEnded : state" << int(m_state);
    if (m_thread->stoppedForMemory())
        m_memoryStopped = true;
    // Only the end of the merge counts: the thread also ends when memory runs
    // short while the phone still reports, or when it is stopped.
    if (m_state != State::Merging)
        return;
    if (m_memoryStopped)
        emit memoryPressure();
    m_memoryStopped = false;
    setState(State::Listed);
    emit deviceRefreshFinished();
    emit finished();
}
