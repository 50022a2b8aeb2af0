#pragma once

#include "host/contract/imediaitem.h"

#include <QObject>

// A media file of a listing: the host's plain record with a QObject base.
class CDataItem : public QObject, public IMediaItem
{
public:
    CDataItem() = default;
};
