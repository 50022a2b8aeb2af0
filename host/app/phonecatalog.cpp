#include "phonecatalog.h"

#include "host/contract/devicefilerecord.h"
#include "host/contract/ideviceagent.h"
#include "host/services/logcategories.h"
#include "host/services/mediaextensions.h"

#include <QCoreApplication>

namespace {

// Read on the catalog's thread only.
PhoneCatalog* g_catalog = nullptr;

constexpr int kTimedOut = -3; // no agent code is negative but the item-load ones

template<typename Functor> void toCatalogThread(Functor functor)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::move(functor), Qt::QueuedConnection);
}

// The record lives only during the callback: take its values.
bool photoOf(const DeviceFileRecord& record, ImportSource* source)
{
    if (!isPhotoExtension(fileExtension(GetCString2QString(record.fileName))))
        return false;
    source->phonePath = GetCString2QString(record.path);
    const QString modified = GetCString2QString(record.modifiedDate);
    // Minimal records carry neither a size nor a date.
    source->deviceDate = QDateTime::fromString(modified, Qt::ISODate);
    source->size = source->deviceDate.isValid() ? qint64(record.size) : -1;
    return !source->phonePath.isEmpty();
}

} // namespace

PhoneCatalog::PhoneCatalog(IDeviceNexaAgent* agent, QObject* parent)
    : QObject(parent)
    , m_agent(agent)
{
    qRegisterMetaType<QList<ImportSource>>("QList<ImportSource>");
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        if (m_agent)
            m_agent->StopItemLoad();
        ended(kTimedOut);
    });
}

PhoneCatalog::~PhoneCatalog()
{
    if (m_listing && m_agent)
        m_agent->StopItemLoad();
    if (g_catalog == this)
        g_catalog = nullptr;
}

void PhoneCatalog::start(int timeoutMs)
{
    if (!m_agent || m_agent->GetDeviceIndex() == -1 || g_catalog) {
        QTimer::singleShot(0, this, [this] { emit failed(tr("no phone is connected")); });
        return;
    }
    g_catalog = this;
    m_photos.clear();
    m_listing = true;
    m_agent->SetItemLoadCallback(&PhoneCatalog::onItem);
    const int status = m_agent->StartItemLoad(QStringLiteral("ROOT"));
    qCDebug(lcHostApp) << "PhoneCatalog::start : status" << status;
    if (status == AgentResult::ListingStarted) {
        m_timeout.start(timeoutMs);
        return;
    }
    // 0: nothing to list.
    QTimer::singleShot(0, this, [this, status] {
        ended(status == AgentResult::Ok ? int(ItemLoadCode::Finished) : status);
    });
}

void PhoneCatalog::onItem(int code, quintptr info)
{
    if (code == ItemLoadCode::Item) {
        const auto* record = reinterpret_cast<const DeviceFileRecord*>(info);
        ImportSource source;
        if (record && photoOf(*record, &source)) {
            toCatalogThread([source] {
                if (g_catalog)
                    g_catalog->itemArrived(source);
            });
        }
        return;
    }
    if (code == ItemLoadCode::Started || code == ItemLoadCode::Event)
        return;
    toCatalogThread([code] {
        if (g_catalog)
            g_catalog->ended(code);
    });
}

void PhoneCatalog::itemArrived(const ImportSource& source)
{
    if (m_listing)
        m_photos.append(source);
}

void PhoneCatalog::ended(int code)
{
    if (!m_listing)
        return;
    m_listing = false;
    m_timeout.stop();
    if (m_agent)
        m_agent->SetItemLoadCallback(nullptr);
    g_catalog = nullptr;
    qCDebug(lcHostApp) << "PhoneCatalog::ended : code" << code << m_photos.size() << "photos";
    if (code == ItemLoadCode::Finished) {
        emit listed(m_photos);
        return;
    }
    emit failed(code == kTimedOut ? tr("the phone was not listed in time")
            : code == AgentResult::Disconnected
            ? tr("the phone was disconnected")
            : tr("the phone could not be listed (error %1)").arg(code));
}
