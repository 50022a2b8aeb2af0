#pragma once

#include "host/widgets/occommondlg.h"

#include <QPixmap>
#include <QPointer>
#include <QString>

#include <memory>

class CPhotoDataItem;
class OCLoadingWidget;
class PhotoPropertySource;

namespace Ui {
class PropertyDialog;
}

// Properties of one phone photo: thumbnail, name, resolution, size, type,
// date taken, position and folder on the phone. The name can be edited; the
// screen reads it back after acceptance and does the renaming itself.
class PropertyDialog : public OCCommonDlg
{
    Q_OBJECT

public:
    // source may be null: no location root, no thumbnail lookup, mass storage.
    PropertyDialog(PhotoPropertySource* source, CPhotoDataItem* item);
    ~PropertyDialog() override;

    void SetData(CPhotoDataItem* item);
    // failed: the lookup found nothing, so the failure picture shows.
    void SetThumbnail(QPixmap pixmap, bool failed);
    QString GetTitle() const;

    OCLoadingWidget* thumbnailLoading() const { return m_thumbLoading; }

signals:
    void on_signal_showinwindows();

public slots:
    void on_showInWindow();
    void on_name_changed(const QString& name);
    void on_update_thumbnail();

private:
    void setupDialog();
    void setupFonts();
    void elideLabels();
    void applyConnectionKind(int kind);

    std::unique_ptr<Ui::PropertyDialog> m_ui;
    CPhotoDataItem* m_item = nullptr;
    QString m_path; // kept apart: the item may go while the dialog is open
    QString m_extension;
    PhotoPropertySource* source() const;

    PhotoPropertySource* m_source = nullptr;
    QPointer<QWidget> m_sourceWidget; // the source is gone with it
    OCLoadingWidget* m_thumbLoading = nullptr;
};
