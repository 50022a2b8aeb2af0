#pragma once

#include <QPixmap>
#include <QString>

class QWidget;

// What the properties dialog asks of the screen that opens it.
class PhotoPropertySource
{
public:
    virtual ~PhotoPropertySource() = default;

    // The dialog's parent; the source is not used once it has gone.
    virtual QWidget* propertyDialogParent() = 0;
    // The phone's storage root, to show where a photo is on the phone.
    virtual QString storageRoot() const = 0;
    // ConnectionKind of the phone.
    virtual int connectionKind() const = 0;
    // The thumbnail known for a phone path; null when there is none yet.
    virtual QPixmap knownThumbnail(const QString& path) = 0;
};
