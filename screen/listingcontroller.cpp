#include "screen/listingcontroller.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include "host/device/devicefunctions.h"
#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"
#include "model/cphotodataitem.h"
#include "screen/listingsession.h"

namespace {

const int RetryMs = 100;
// The GUI thread hands the inbox to the session in slices this long, and
// paints and answers input between them.
const qint64 DrainSliceNs = 8 * 1000 * 1000;
// How long the agent's thread waits for the GUI thread to take a change report.
const int ChangeWaitMs = 5000;
const int ChangeWaitSliceMs = 50;

} // namespace

ListingController::ListingController(Setup setup, QObject* parent)
    : QObject(parent)
    , m_setup(std::move(setup))
{
}

ListingController::~ListingController()
{
    delete m_listing;
    delete m_abandoned;
}

void ListingController::setItems(OCMediaItemList* list, PhotoItemViewModel* model)
{
    m_list = list;
    m_model = model;
}

void ListingController::setItemLoadCallback(PFN_ItemLoadCallback callback)
{
    IDeviceNexaAgent* phone = agent();
    if (!phone) {
        qCDebug(lcScreen) << "ListingController::setItemLoadCallback : no device agent";
        return;
    }
    phone->SetItemLoadCallback(callback);
}

int ListingController::stateCode() const
{
    return m_stateCode;
}

OCModelInsertThread* ListingController::insertThread() const
{
    return m_listing ? m_listing->insertThread() : nullptr;
}

void ListingController::report(int code, quintptr info)
{
    Report report;
    report.code = code;
    const bool carriesRecord = code == ItemLoadCode::Item || code == ItemLoadCode::Event;
    // The record is the agent's only for the length of the call: a copy travels.
    if (carriesRecord && info) {
        report.record = *reinterpret_cast<const DeviceFileRecord*>(info);
        report.hasRecord = true;
    }
    const bool here = QThread::currentThread() == thread();
    QMutexLocker lock(&m_inboxMutex);
    report.number = ++m_reported;
    const quint64 number = report.number;
    m_inbox.push_back(std::move(report));
    const bool post = !m_drainPosted;
    m_drainPosted = true;
    if (here) {
        lock.unlock();
        drainInbox();
        return;
    }
    if (post)
        QMetaObject::invokeMethod(this, &ListingController::drainInbox, Qt::QueuedConnection);
    // A delete, an upload or a rename ends after its changes are taken.
    QElapsedTimer waited;
    waited.start();
    while (code == ItemLoadCode::Event && m_delivered < number && waited.elapsed() < ChangeWaitMs)
        m_taken.wait(&m_inboxMutex, ChangeWaitSliceMs);
}

void ListingController::drainInbox()
{
    QElapsedTimer slice;
    slice.start();
    for (;;) {
        Report report;
        {
            QMutexLocker lock(&m_inboxMutex);
            if (m_inbox.empty()) {
                m_drainPosted = false;
                return;
            }
            if (slice.nsecsElapsed() > DrainSliceNs) {
                // The rest waits for the next pass of the event loop.
                QMetaObject::invokeMethod(
                    this, &ListingController::drainInbox, Qt::QueuedConnection);
                return;
            }
            report = std::move(m_inbox.front());
            m_inbox.pop_front();
        }
        deliver(report);
        QMutexLocker lock(&m_inboxMutex);
        m_delivered = std::max(m_delivered, report.number);
        m_taken.wakeAll();
    }
}

void ListingController::deliver(const Report& report)
{
    const quintptr record = report.hasRecord ? quintptr(&report.record) : 0;
    switch (report.code) {
    case ItemLoadCode::Started:
        startReported();
        break;
    case ItemLoadCode::Item:
        itemReported(record);
        break;
    case ItemLoadCode::Event:
        changeReported(record);
        break;
    case ItemLoadCode::Finished:
        finishReported();
        break;
    default:
        stopReported(report.code);
        break;
    }
}

ListingSession* ListingController::current()
{
    // A given-up listing takes the phone's reports until its end.
    if (m_abandoned)
        return m_abandoned;
    return m_listing ? m_listing : newListing();
}

ListingSession* ListingController::newListing()
{
    dropSession();
    ListingSession::Setup setup;
    setup.agent = agent();
    setup.list = m_list;
    setup.model = m_model;
    setup.connectionKind = connectionKind();
    setup.mountCallback = m_setup.mountCallback;
    m_listing = new ListingSession(setup, this);
    connectSession(m_listing);
    return m_listing;
}

void ListingController::dropSession()
{
    if (!m_listing)
        return;
    // It may be the sender of the signal being handled.
    m_listing->disconnect(this);
    m_listing->stopMerging();
    m_listing->deleteLater();
    m_listing = nullptr;
}

void ListingController::connectSession(ListingSession* session)
{
    using S = ListingSession;
    using C = ListingController;
    connect(session, &S::stateChanged, this, [this, session](S::State state) {
        if (session != m_listing)
            return;
        m_stateCode = S::stateCode(state);
        emit stateChanged(m_stateCode);
    });
    connect(session, &S::mounted, this, [this] { start(false); });
    connect(session, &S::preparing, this, &C::preparing);
    connect(session, &S::started, this, &C::started);
    connect(session, &S::reportsEnded, this, &C::reportsEnded);
    connect(session, &S::stopped, this, &C::stopped);
    connect(session, &S::finished, this, &C::finished);
    connect(session, &S::memoryPressure, this, &C::memoryPressure);
    connect(session, &S::busyRefused, this, &C::busyRefused);
    connect(session, &S::mountShown, this, &C::mountShown);
    connect(session, &S::mountFailed, this, &C::mountFailed);
    connect(session, &S::deviceRefreshFinished, this, &C::deviceRefreshFinished);
    connect(session, &S::itemsChanged, this, &C::itemsChanged);
    connect(session, &S::loadingEnded, this, &C::loadingEnded);
    connect(session, &S::rowsChanged, this, &C::rowsChanged);
    connect(session, &S::locatedItemListed, this, &C::locatedItemListed);
}

void ListingController::startReported()
{
    current()->startReported();
}

void ListingController::itemReported(quintptr record)
{
    current()->itemReported(record);
}

void ListingController::changeReported(quintptr info)
{
    const auto* record = reinterpret_cast<const DeviceFileRecord*>(info);
    if (!record) {
        qCWarning(lcScreen) << "ListingController::changeReported : info is null";
        return;
    }
    const int code = ListingSession::changeEventCode(record->changeKind, connectionKind());
    if (code == ItemEventCode::EndOfBatch) {
        qCDebug(lcScreen) << "ListingController::changeReported : change ignored"
                          << record->changeKind;
        return;
    }
    const QString path = GetCString2QString(record->path);
    qCDebug(lcScreen) << "ListingController::changeReported : change" << record->changeKind << path;
    if (record->changeKind == DeviceChange::Removed)
        emit removalReported(path);
    m_setup.changeSink(ItemEvent(code, std::make_unique<CPhotoDataItem>(info)));
    if (record->changeKind != DeviceChange::Added)
        m_setup.changeSink(ItemEvent());
}

void ListingController::finishReported()
{
    current()->finishReported();
}

void ListingController::stopReported(int error)
{
    current()->stopReported(error);
}

void ListingController::mountAnswered(int result)
{
    current()->mountAnswered(result);
}

void ListingController::mergeEnded()
{
    current()->mergeEnded();
}

void ListingController::start(bool needMountCheck)
{
    qCDebug(lcScreen) << "ListingController::start" << needMountCheck;
    abandon();
    if (m_abandoned) {
        qCDebug(lcScreen) << "ListingController::start : waiting for the abandoned listing to end";
        QTimer::singleShot(RetryMs, this, [this, needMountCheck] { start(needMountCheck); });
        return;
    }
    load(needMountCheck);
}

void ListingController::load(bool needMountCheck)
{
    // A card change made its session already: the listing is the one it waits for.
    ListingSession* session = m_listing && m_listing->state() == ListingSession::State::Waiting
        ? m_listing
        : newListing();
    session->start(needMountCheck);
}

void ListingController::abandon()
{
    if (!m_listing || !m_listing->abandon())
        return;
    if (m_abandoned) {
        m_abandoned->disconnect(this);
        m_abandoned->deleteLater();
    }
    m_abandoned = m_listing;
    m_listing = nullptr;
    m_abandoned->disconnect(this);
    connect(m_abandoned, &ListingSession::stopped, this, &ListingController::stopped);
    connect(m_abandoned, &ListingSession::cancelled, this, [this] {
        m_abandoned->deleteLater();
        m_abandoned = nullptr;
    });
}

void ListingController::drop()
{
    dropSession();
    m_stateCode = 0;
    emit stateChanged(m_stateCode);
}

void ListingController::stopMerging()
{
    if (m_listing)
        m_listing->stopMerging();
}

void ListingController::addEvent(ItemEvent event)
{
    (m_listing ? m_listing : newListing())->addEvent(std::move(event));
}

void ListingController::locate(const QStringList& paths)
{
    const bool listing = m_stateCode == 1;
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        ItemEvent event(ItemEventCode::Locate, std::make_unique<CPhotoDataItem>(path));
        if (listing)
            addEvent(std::move(event));
        else
            m_setup.changeSink(std::move(event));
    }
    if (!listing)
        m_setup.changeSink(ItemEvent());
}

bool ListingController::cardChanged(bool cardConnected)
{
    IDeviceNexaAgent* phone = agent();
    if (!cardConnected && phone && GetMemChangeType(phone->GetDeviceIndex()) != 0
        && g_SharedValue.hasProcessState(
            OCGlobal::ITEM_DEVICE, OCSharedValue::ProcessStorageBusy)) {
        qCDebug(lcScreen) << "ListingController::cardChanged : the phone changes its storage "
                             "itself, no listing";
        return false;
    }
    newListing()->cardChanged();
    QTimer::singleShot(RetryMs, this, &ListingController::startAfterCardChange);
    return true;
}

void ListingController::startAfterCardChange()
{
    IDeviceNexaAgent* phone = agent();
    if (!phone || phone->GetDeviceIndex() == -1) {
        qCDebug(lcScreen) << "ListingController::startAfterCardChange : no device";
        drop();
        emit loadingEnded();
        return;
    }
    // A given-up listing still reports its end: no new listing before it.
    if (phone->IsBusy() || !isReadyForListing() || m_abandoned) {
        QTimer::singleShot(RetryMs, this, &ListingController::startAfterCardChange);
        return;
    }
    start(false);
}
