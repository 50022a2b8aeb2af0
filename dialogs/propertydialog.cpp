#include "dialogs/propertydialog.h"

#include <QDebug>
#include <QToolTip>

#include "dialogs/filenamecheck.h"
#include "dialogs/photopropertysource.h"
#include "host/contract/ideviceagent.h"
#include "host/services/devicepath.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocfont.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/widgets/ocloadingwidget.h"
#include "model/cphotodataitem.h"
#include "ui_propertydialog.h"

namespace {

const QSize kFrame(466, 311);
const QSize kFrameBasic(466, 228);
const QSize kThumbnail(105, 99);
const int kLocationLines = 4;

void log(const char* method, const char* message, const QString& value = QString())
{
    qCDebug(lcDialogs) << method << message << value;
}

} // namespace

PropertyDialog::PropertyDialog(PhotoPropertySource* source, CPhotoDataItem* item)
    : OCCommonDlg(source ? source->propertyDialogParent() : nullptr)
    , m_ui(std::make_unique<Ui::PropertyDialog>())
{
    setObjectName(QStringLiteral("device_photo"));
    m_ui->setupUi(this);
    setWindowTitle(GetQString(windowTitle()));
    setBasicInfo(m_ui->main_widget, QSize(466, 358), windowTitle());
    m_item = nullptr;
    m_source = source;
    m_sourceWidget = source ? source->propertyDialogParent() : nullptr;
    SetData(item);
    setupDialog();
}

PropertyDialog::~PropertyDialog() = default;

PhotoPropertySource* PropertyDialog::source() const
{
    return m_sourceWidget ? m_source : nullptr;
}

void PropertyDialog::SetData(CPhotoDataItem* item)
{
    if (!item)
        return;
    m_item = item;
    m_path = item->path;
    m_extension = item->fileType();
    // Where the photo is on the phone, as its owner reads it: "DCIM/Camera/a.jpg".
    const QString path
        = DevicePath::relativeFile(m_path, source() ? source()->storageRoot() : QString());

    log("PropertyDialog::SetData", ": location", path);
    const QString location = getWordWrapElidedText(
        path, g_Font.GetIFNormal(), m_ui->label_location->width(), kLocationLines, false);
    m_ui->label_location->setText(location);
    if (QString(location).remove(QLatin1Char('\n')) != path)
        m_ui->label_location->setToolTip(getWordWrapToolTip(path, false));

    log("PropertyDialog::SetData", ": file info", item->title);
    m_ui->edit_name->setText(item->title);
    m_ui->edit_name->setCursorPosition(0);
    m_ui->label_name_value->setText(item->title);
    m_ui->label_res_value->setText(item->resolutionText());
    m_ui->label_size_value->setText(GetSize(item->fileSize(), 0));
    m_ui->label_type_value->setText(item->fileType());

    log("PropertyDialog::SetData", ": image info", item->resolutionText());
    m_ui->label_dt_value->setText(GetFormattedDateTime(item->shootingDate()));
    m_ui->label_dm_value->setText(GetFormattedDateTime(item->addedDate()));
    m_ui->label_lo_value->setText(GetFormattedDateTime(item->modifiedDate()));
    m_ui->label_latitude->setText(GetQString(tr("Latitude : ")) + item->latitude());
    m_ui->label_longitude->setText(GetQString(tr("Longitude : ")) + item->longitude());

    log("PropertyDialog::SetData", ": thumbnail");
    const QPixmap thumbnail = item->thumbnail();
    SetThumbnail(thumbnail, false);

    setSize(kFrame);
    m_ui->label_lo->hide();
    m_ui->label_lo_value->hide();
    m_ui->edit_name->show();
    m_ui->label_name_value->hide();
    applyConnectionKind(source() ? source()->connectionKind() : ConnectionKind::MassStorage);

    if (!m_thumbLoading)
        m_thumbLoading = new OCLoadingWidget(m_ui->label_photo_thumb, OCLoadingWidget::Small);
    m_thumbLoading->resize(kThumbnail);
    // A thumbnail in memory needs no lookup, so nothing to wait for.
    if (thumbnail.isNull())
        m_thumbLoading->ShowLoadingWidget();
}

void PropertyDialog::applyConnectionKind(int kind)
{
    if (kind == ConnectionKind::Mtp) {
        m_ui->label_place->hide();
        m_ui->label_latitude->hide();
        m_ui->label_longitude->hide();
    } else if (kind == ConnectionKind::MtpBasic) {
        // Minimal records: no resolution, no position, and no renaming.
        setSize(kFrameBasic);
        m_ui->edit_name->hide();
        m_ui->label_name_value->show();
        for (QWidget* widget :
            { static_cast<QWidget*>(m_ui->label_res), static_cast<QWidget*>(m_ui->label_res_value),
                static_cast<QWidget*>(m_ui->push_photo_cancel),
                static_cast<QWidget*>(m_ui->label_place),
                static_cast<QWidget*>(m_ui->label_latitude),
                static_cast<QWidget*>(m_ui->label_longitude),
                static_cast<QWidget*>(m_ui->push_photo_openlocation),
                static_cast<QWidget*>(m_ui->label_location),
                static_cast<QWidget*>(m_ui->line2_widget) })
            widget->hide();
    }
}

void PropertyDialog::SetThumbnail(QPixmap pixmap, bool failed)
{
    QLabel* label = m_ui->label_photo_thumb;
    label->setStyleSheet(QString());
    if (!pixmap.isNull()) {
        pixmap = pixmap.scaled(kThumbnail, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    } else if (!failed) {
        pixmap = QPixmap(QStringLiteral(":/Image/photo/photo_thumbnail_photo_icon_73x73.png"));
    } else {
        label->setStyleSheet(QStringLiteral("QLabel#label_photo_thumb { border-image: "
                                            "url(\":/Image/music/popup/properties_fail.png\"); }"));
    }
    label->setPixmap(pixmap);
}

void PropertyDialog::on_update_thumbnail()
{
    if (!source() || m_path.isEmpty())
        return;
    if (m_thumbLoading)
        m_thumbLoading->HideLoadingWidget();
    const QPixmap pixmap = source()->knownThumbnail(m_path);
    log("PropertyDialog::on_update_thumbnail", pixmap.isNull() ? ": none" : ": found", m_path);
    SetThumbnail(pixmap, pixmap.isNull());
}

QString PropertyDialog::GetTitle() const
{
    return m_ui->edit_name->text();
}

void PropertyDialog::on_name_changed(const QString& name)
{
    // What cannot be a file name stays in the field, said why, and OK waits.
    const QString refusal = FileNameCheck::refusal(name, m_extension);
    m_ui->push_photo_ok->setEnabled(refusal.isEmpty());
    m_ui->edit_name->setToolTip(refusal);
    QLineEdit* edit = m_ui->edit_name;
    if (refusal.isEmpty() || name.trimmed().isEmpty() || !edit->hasFocus()) {
        QToolTip::hideText();
        return;
    }
    qCDebug(lcDialogs) << "PropertyDialog::on_name_changed : refused" << name << refusal;
    QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), refusal, edit);
}

void PropertyDialog::on_showInWindow()
{
    if (!m_path.isEmpty())
        OpenWindowExplorer(m_path);
}

void PropertyDialog::setupDialog()
{
    setupFonts();
    elideLabels();
    m_ui->label_dm->hide();
    m_ui->label_dm_value->hide();
    setFocusPolicy(Qt::ClickFocus);

    m_ui->edit_name->setPlaceholderText(GetQString(tr("Please enter name here")));
    on_name_changed(m_ui->edit_name->text());

    m_ui->push_photo_openlocation->SetButtonType(OCNoContentsButton::Outlined);
    m_ui->push_photo_openlocation->setText(GetQString(m_ui->push_photo_openlocation->text()));
    m_ui->push_photo_ok->setText(GetQString(m_ui->push_photo_ok->text()));
    m_ui->push_photo_cancel->setText(GetQString(m_ui->push_photo_cancel->text()));
    // Enter right after opening must not rename anything.
    m_ui->push_photo_cancel->setDefault(true);
    m_ui->push_photo_cancel->setFocus();

    connect(m_ui->push_photo_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->push_photo_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->edit_name, &QLineEdit::textChanged, this, &PropertyDialog::on_name_changed);
    connect(m_ui->push_photo_openlocation, &QPushButton::clicked, this,
        &PropertyDialog::on_signal_showinwindows);
}

void PropertyDialog::setupFonts()
{
    const QFont bold = g_Font.GetIFBold();
    const QFont normal = g_Font.GetIFNormal();
    for (OCLabel* caption : { m_ui->label_name, m_ui->label_res, m_ui->label_size, m_ui->label_type,
             m_ui->label_dt, m_ui->label_dm, m_ui->label_lo, m_ui->label_place }) {
        caption->setFont(bold);
        caption->setText(GetQString(caption->text()));
    }
    m_ui->edit_name->setFont(normal);
    for (OCLabel* value : { m_ui->label_name_value, m_ui->label_res_value, m_ui->label_size_value,
             m_ui->label_type_value, m_ui->label_dt_value, m_ui->label_dm_value,
             m_ui->label_lo_value, m_ui->label_latitude, m_ui->label_longitude,
             m_ui->label_location })
        value->setFont(normal);
    m_ui->push_photo_ok->setFont(g_Font.GetIFPopupBtn());
    m_ui->push_photo_cancel->setFont(g_Font.GetIFPopupBtn());
    m_ui->push_photo_openlocation->setFont(normal);
}

void PropertyDialog::elideLabels()
{
    const bool rtl = g_SharedValue.IsRTL();
    for (OCLabel* label : { m_ui->label_name, m_ui->label_name_value, m_ui->label_res,
             m_ui->label_res_value, m_ui->label_size, m_ui->label_size_value, m_ui->label_type,
             m_ui->label_type_value, m_ui->label_dt, m_ui->label_dt_value, m_ui->label_dm,
             m_ui->label_dm_value, m_ui->label_lo, m_ui->label_lo_value, m_ui->label_place,
             m_ui->label_latitude, m_ui->label_longitude }) {
        const QString text = label->text();
        const Qt::TextElideMode mode
            = rtl && !text.isRightToLeft() ? Qt::ElideLeft : Qt::ElideRight;
        label->setElidedText(text, mode);
    }
}
