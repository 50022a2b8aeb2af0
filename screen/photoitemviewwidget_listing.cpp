// Listing the phone: the agent's item-load callback and its routing to the
// GUI thread. Starting a listing and merging what it reports come with the
// device listing; until then these slots only record what they are told.
#include "screen/photoitemviewwidget.h"

#include <QDebug>
#include <QThread>

#include "host/contract/ideviceagent.h"
#include "model/cphotodataitem.h"
#include "model/itemevent.h"
#include "model/ocmodelinsertthread.h"
#include "plugin/ocpluginwidget.h"

void PhotoItemViewWidget::ItemLoadCallback(int code, quintptr info)
{
    OCPluginWidget* widget = OCPluginWidget::instance();
    PhotoItemViewWidget* screen = widget ? widget->view() : nullptr;
    if (!screen)
        return;
    screen->on_listing_callback(code, info);
}

void PhotoItemViewWidget::on_listing_callback(int nError, quintptr pInfo)
{
    // Runs on the agent's thread: only signals leave here. Called on the
    // GUI thread itself, a blocking connection would deadlock, so the slots
    // run directly.
    const bool here = QThread::currentThread() == thread();
    switch (nError) {
    case ItemLoadCode::Started:
        emit on_signal_callback_startItemLoad();
        break;
    case ItemLoadCode::Event:
        if (here)
            on_itemload_callback_eventItemLoad(pInfo);
        else
            emit on_signal_callback_eventItemLoad(pInfo);
        break;
    case ItemLoadCode::Item:
        if (here)
            on_itemload_callback_insertItemLoad(pInfo);
        else
            emit on_signal_callback_insertItemLoad(pInfo);
        break;
    case ItemLoadCode::Finished:
        emit on_signal_callback_finishItemLoad();
        break;
    default:
        emit on_signal_callback_stopItemLoad(nError);
        break;
    }
}

void PhotoItemViewWidget::on_listing_callback(
    int nError, const QString& path, qint64 size, const QDateTime& time)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_listing_callback"
             << ": not listed" << nError << path << size << time;
}

void PhotoItemViewWidget::addThreadModelDataWithLoading(ItemEvent* event)
{
    if (!event)
        return;
    if (!m_threadModelLoad) {
        qDebug() << "device_photo"
                 << "PhotoItemViewWidget::addThreadModelDataWithLoading"
                 << ": no listing thread, dropped" << (event->item ? event->item->path : QString());
        delete event->item;
        delete event;
        return;
    }
    m_threadModelLoad->addData(event);
}

void PhotoItemViewWidget::start_loaditems_thread(bool bNeedUMSCheck)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::start_loaditems_thread"
             << ": requested" << bNeedUMSCheck;
}

void PhotoItemViewWidget::start_loaditems_thread()
{
    start_loaditems_thread(true);
}

void PhotoItemViewWidget::stop_loaditems_thread()
{
}

void PhotoItemViewWidget::on_finished_loaditems()
{
}

void PhotoItemViewWidget::on_itemload_callback_startItemLoad()
{
}

void PhotoItemViewWidget::on_itemload_callback_eventItemLoad(quintptr)
{
}

void PhotoItemViewWidget::on_itemload_callback_insertItemLoad(quintptr)
{
}

void PhotoItemViewWidget::on_itemload_callback_finishItemLoad()
{
}

void PhotoItemViewWidget::on_itemload_callback_stopItemLoad(int)
{
}

void PhotoItemViewWidget::on_itemload_finishItemLoad()
{
}

void PhotoItemViewWidget::on_UmsMountResult(int)
{
}

void PhotoItemViewWidget::on_SDCardchange(bool bIsConnected, const QString& driveName)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_SDCardchange"
             << ": requested" << bIsConnected << driveName;
}

void PhotoItemViewWidget::on_load_fromSDcardChange()
{
}

void PhotoItemViewWidget::on_memcombo_changeStart()
{
    m_storageSwitching = true;
}

void PhotoItemViewWidget::on_memcombo_changeEnd(bool result)
{
    m_storageSwitching = false;
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_memcombo_changeEnd"
             << ": requested" << result;
}

void PhotoItemViewWidget::on_device_init(int nItemType)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_device_init"
             << ": requested" << nItemType;
}

void PhotoItemViewWidget::on_device_refresh(int nItemType)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_device_refresh"
             << ": requested" << nItemType;
}
