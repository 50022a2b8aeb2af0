#include "importsummarydialog.h"

#include "host/services/fileutils.h"
#include "host/services/ocmsgbox.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString photoCount(int count)
{
    return count == 1 ? ImportSummaryDialog::tr("1 photo")
                      : ImportSummaryDialog::tr("%1 photos").arg(count);
}

QString problemLines(const QList<ImportProblem>& problems)
{
    QStringList lines;
    for (const ImportProblem& problem : problems)
        lines.append(
            QStringLiteral("  %1: %2")
                .arg(QFileInfo(toFileSystemPath(problem.phonePath)).fileName(), problem.reason));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

ImportSummaryDialog::ImportSummaryDialog(const ImportSummary& summary, QWidget* parent)
    : QDialog(parent)
    , m_summary(summary)
{
    setObjectName(QStringLiteral("importSummary"));
    setWindowTitle(summary.cancelled ? tr("Import Cancelled") : tr("Import Finished"));
    setAttribute(Qt::WA_DeleteOnClose);

    QString headline
        = tr("%1 copied to %2")
              .arg(photoCount(summary.copied), QDir::toNativeSeparators(summary.destination));
    if (summary.alreadyThere > 0)
        headline += QLatin1Char('\n')
            + tr("%1 already there, not copied again").arg(photoCount(summary.alreadyThere));
    if (!summary.failed.isEmpty())
        headline += QLatin1Char('\n') + tr("%1 not copied").arg(photoCount(summary.failed.size()));
    if (summary.deleteAfter)
        headline += QLatin1Char('\n')
            + tr("%1 deleted from the phone after checking the copy")
                  .arg(photoCount(summary.deleted));
    if (!summary.kept.isEmpty())
        headline
            += QLatin1Char('\n') + tr("%1 kept on the phone").arg(photoCount(summary.kept.size()));
    if (summary.cancelled)
        headline
            += QLatin1Char('\n') + tr("The import was cancelled; nothing half-copied is left.");
    m_headline = new QLabel(headline, this);
    m_headline->setObjectName(QStringLiteral("importHeadline"));
    m_headline->setTextInteractionFlags(Qt::TextSelectableByMouse);

    QStringList sections;
    if (!summary.failed.isEmpty())
        sections.append(tr("Not copied:") + QLatin1Char('\n') + problemLines(summary.failed));
    if (!summary.kept.isEmpty())
        sections.append(tr("Kept on the phone:") + QLatin1Char('\n') + problemLines(summary.kept));
    m_details = new QPlainTextEdit(sections.join(QStringLiteral("\n\n")), this);
    m_details->setObjectName(QStringLiteral("importDetails"));
    m_details->setReadOnly(true);
    m_details->setVisible(!sections.isEmpty());
    m_details->setMinimumHeight(120);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* open = buttons->addButton(tr("Open folder"), QDialogButtonBox::ActionRole);
    open->setObjectName(QStringLiteral("importOpenFolder"));
    open->setEnabled(QFileInfo(folderToOpen(summary)).isDir());
    connect(open, &QPushButton::clicked, this, &ImportSummaryDialog::openFolder);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_headline);
    layout->addWidget(m_details, 1);
    layout->addWidget(buttons);
    setMinimumWidth(440);
}

QString ImportSummaryDialog::headline() const
{
    return m_headline->text();
}

QString ImportSummaryDialog::details() const
{
    return m_details->toPlainText();
}

QString ImportSummaryDialog::folderToOpen(const ImportSummary& summary)
{
    QString folder;
    for (const QString& file : summary.copiedFiles) {
        const QString parent = QFileInfo(file).path();
        if (!folder.isEmpty() && parent != folder)
            return summary.destination;
        folder = parent;
    }
    return folder.isEmpty() ? summary.destination : folder;
}

void ImportSummaryDialog::openFolder()
{
    const QString folder = folderToOpen(m_summary);
    if (!OpenWindowExplorer(toStoredPath(folder)))
        OCMsgBox::ShowOCMessageBox(this, tr("Open folder"),
            tr("No file manager opened the folder %1.").arg(QDir::toNativeSeparators(folder)), 0,
            MsgBoxFlag::Ok);
}
