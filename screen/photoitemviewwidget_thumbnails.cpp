// Thumbnails fetched from the phone, one at a time; built with the
// thumbnail pipeline. Until then the chain never starts.
#include "screen/photoitemviewwidget.h"

#include <QDebug>

void PhotoItemViewWidget::CreateThumbnailMachinery()
{
}

void PhotoItemViewWidget::start_thumbnail_thread()
{
}

void PhotoItemViewWidget::stop_thumbnail_thread()
{
    m_thumbnailNoticeShown = false;
}

void PhotoItemViewWidget::start_thumbnail_thread2()
{
}

void PhotoItemViewWidget::on_request_thumbnail()
{
}

void PhotoItemViewWidget::on_request_thumbnail3()
{
}

void PhotoItemViewWidget::on_addthumbnail(int error)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_addthumbnail"
             << "-Return Error : " << error;
}

void PhotoItemViewWidget::on_addthumbnail2(int error)
{
    qDebug() << "device_photo"
             << "PhotoItemViewWidget::on_addthumbnail2"
             << "-Return Error : " << error;
}

void PhotoItemViewWidget::on_UpdateRow(int)
{
}

void PhotoItemViewWidget::on_start_thumbLoad()
{
}

void PhotoItemViewWidget::on_GetThumbnail_Finish()
{
}

void PhotoItemViewWidget::on_update_item_thumbnail(const QString&, const QPixmap&)
{
}

void PhotoItemViewWidget::on_update_item_thumbnail(const QString&, const QString&)
{
}
