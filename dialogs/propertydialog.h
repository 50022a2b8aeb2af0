#pragma once

#include "host/widgets/occommondlg.h"

#include <QPixmap>
#include <QPointer>
#include <QString>

#include <memory>

class CPhotoDataItem;
class OCLoadingWidget;
class PhotoItemViewWidget;

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
    PropertyDialog(PhotoItemViewWidget* screen, CPhotoDataItem* item);
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
    QPointer<PhotoItemViewWidget> m_screen;
    OCLoadingWidget* m_thumbLoading = nullptr;
};
