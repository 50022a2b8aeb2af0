#include "host/app/transferenginewindow.h"

#include "host/app/importengine.h"
#include "host/services/textutils.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr qint64 kEstimateAfterMs = 2000;

} // namespace

TransferEngineWindow::TransferEngineWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("transfer_progress"));
    setWindowModality(Qt::NonModal);
    m_title = new QLabel(this);
    m_file = new QLabel(this);
    m_file->setMinimumWidth(360);
    m_bytes = new QLabel(this);
    m_bytes->setObjectName(QStringLiteral("transfer_bytes"));
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_cancel = new QPushButton(GetQString(tr("Cancel")), this);
    m_cancel->setObjectName(QStringLiteral("transfer_cancel"));
    connect(m_cancel, &QPushButton::clicked, this, &TransferEngineWindow::cancelRequested);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_file);
    layout->addWidget(m_bar);
    layout->addWidget(m_bytes);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
}

void TransferEngineWindow::startBatch(const QString& title, int files)
{
    m_files = files;
    m_phase = -1;
    setWindowTitle(title);
    m_title->setText(title);
    m_file->clear();
    m_bytes->clear();
    m_bar->setValue(0);
    m_cancel->setEnabled(true);
    m_clock.start();
}

void TransferEngineWindow::showProgress(
    qint64 done, qint64 total, const QString& file, int fileNumber)
{
    const QString name
        = QFileInfo(QString(file).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName();
    m_file->setText(GetQString(tr("%1 (%2 of %3)")).arg(name).arg(fileNumber).arg(m_files));
    m_bar->setValue(total > 0 ? int(qBound<qint64>(0, done * 100 / total, 100)) : 0);
    QString bytes = GetQString(tr("%1 of %2")).arg(GetSize(done, 0), GetSize(total, 0));
    const QString left = timeLeftText(done, total, m_clock.isValid() ? m_clock.elapsed() : 0);
    if (!left.isEmpty())
        bytes += QStringLiteral(", ") + left;
    m_bytes->setText(bytes);
}

void TransferEngineWindow::showImportProgress(const ImportProgress& progress)
{
    if (progress.phase != m_phase) {
        // Each phase has its own pace: the estimate starts again.
        static const char* const titles[] = {
            QT_TR_NOOP("Importing photos"),
            QT_TR_NOOP("Checking the copies against the phone"),
            QT_TR_NOOP("Deleting from the phone"),
        };
        const QString title = GetQString(tr(titles[progress.phase]));
        setWindowTitle(title);
        m_title->setText(title);
        m_phase = progress.phase;
        m_clock.start();
    }
    m_files = progress.files;
    showProgress(progress.bytesDone, progress.bytesTotal, progress.name, progress.file);
}

QString TransferEngineWindow::fileText() const
{
    return m_file->text();
}

QString TransferEngineWindow::bytesText() const
{
    return m_bytes->text();
}

int TransferEngineWindow::percent() const
{
    return m_bar->value();
}

QString TransferEngineWindow::timeLeftText(qint64 done, qint64 total, qint64 elapsedMs)
{
    if (elapsedMs < kEstimateAfterMs || done <= 0 || total <= done)
        return QString();
    const qint64 seconds = (total - done) * elapsedMs / done / 1000;
    if (seconds < 60)
        return GetQString(tr("less than a minute left"));
    const qint64 minutes = (seconds + 30) / 60;
    if (minutes < 90)
        return minutes == 1 ? GetQString(tr("about 1 minute left"))
                            : GetQString(tr("about %1 minutes left")).arg(minutes);
    return GetQString(tr("about %1 hours left")).arg((minutes + 30) / 60);
}
