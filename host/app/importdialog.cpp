#include "importdialog.h"

#include "host/services/textutils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString photoCount(int count)
{
    return count == 1 ? ImportDialog::tr("1 photo") : ImportDialog::tr("%1 photos").arg(count);
}

} // namespace

ImportDialog::ImportDialog(const ImportSettings& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("importDialog"));
    setWindowTitle(tr("Import Photos"));

    m_destination = new QLineEdit(QDir::toNativeSeparators(settings.destination), this);
    m_destination->setObjectName(QStringLiteral("importDestination"));
    m_destination->setMinimumWidth(360);
    auto* browse = new QPushButton(tr("Browse..."), this);
    browse->setObjectName(QStringLiteral("importBrowse"));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_destination, 1);
    folderRow->addWidget(browse);

    m_layout = new QComboBox(this);
    m_layout->setObjectName(QStringLiteral("importLayout"));
    m_layout->addItem(tr("By date: 2024/2024-05-03/IMG_0001.jpg"), ImportLayout::ByDate);
    m_layout->addItem(tr("All in one folder: IMG_0001.jpg"), ImportLayout::Flat);
    m_layout->addItem(tr("As on the phone: DCIM/Camera/IMG_0001.jpg"), ImportLayout::ByFolder);
    m_layout->setCurrentIndex(m_layout->findData(settings.layout));

    m_again = new QCheckBox(tr("Import again photos imported before"), this);
    m_again->setObjectName(QStringLiteral("importAgain"));
    m_again->setChecked(settings.includeImported);
    m_delete = new QCheckBox(
        tr("Delete each photo from the phone once its copy is checked against it"), this);
    m_delete->setObjectName(QStringLiteral("importDeleteAfter"));
    m_delete->setChecked(settings.deleteAfter);

    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("importInfo"));
    m_info->setWordWrap(true);
    m_info->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("importOk"));
    m_ok->setText(tr("Save"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(tr("Copy to:"), folderRow);
    form->addRow(tr("Folders:"), m_layout);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_again);
    layout->addWidget(m_delete);
    layout->addSpacing(6);
    layout->addWidget(m_info);
    layout->addStretch(1);
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, &ImportDialog::chooseFolder);
    connect(m_destination, &QLineEdit::textChanged, this, &ImportDialog::updateInfo);
    connect(m_again, &QCheckBox::toggled, this, &ImportDialog::updateInfo);
    updateInfo();
}

void ImportDialog::setPreviewSource(PreviewSource source)
{
    m_preview = std::move(source);
    m_ok->setText(tr("Import"));
    m_info->show();
    updateInfo();
}

ImportSettings ImportDialog::settings() const
{
    ImportSettings settings = m_settings;
    settings.destination
        = QDir::cleanPath(QDir::fromNativeSeparators(m_destination->text().trimmed()));
    settings.layout = ImportLayout::Kind(m_layout->currentData().toInt());
    settings.includeImported = m_again->isChecked();
    settings.deleteAfter = m_delete->isChecked();
    settings.chosen = true;
    return settings;
}

QString ImportDialog::infoText() const
{
    return m_info->text();
}

void ImportDialog::chooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("Import photos to"), QDir::fromNativeSeparators(m_destination->text()));
    if (!folder.isEmpty())
        m_destination->setText(QDir::toNativeSeparators(folder));
}

void ImportDialog::updateInfo()
{
    const QString destination = m_destination->text().trimmed();
    m_ok->setEnabled(!destination.isEmpty());
    if (!m_preview || destination.isEmpty())
        return;
    const ImportPreview preview
        = m_preview(QDir::fromNativeSeparators(destination), m_again->isChecked());
    QString text = preview.imported == 0
        ? tr("%1 selected.").arg(photoCount(preview.photos))
        : tr("%1 selected, %2 imported before.")
              .arg(photoCount(preview.photos), QString::number(preview.imported));
    const bool tight = preview.bytesFree >= 0 && preview.bytesNeeded > preview.bytesFree;
    if (preview.bytesFree >= 0)
        text += QLatin1Char(' ')
            + tr("They need %1; %2 free at the destination.")
                  .arg(GetSize(preview.bytesNeeded, 0), GetSize(preview.bytesFree, 0));
    if (tight)
        text += QLatin1Char(' ') + tr("Not all of them will fit.");
    m_info->setText(text);
    m_info->setProperty("warning", tight);
    m_info->setStyleSheet(tight ? QStringLiteral("color: #b3261e;") : QString());
}
