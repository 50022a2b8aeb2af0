#include "host/app/transferenginewindow.h"

#include "host/services/textutils.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TransferEngineWindow::TransferEngineWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("transfer_progress"));
    setWindowModality(Qt::NonModal);
    m_title = new QLabel(this);
    m_file = new QLabel(this);
    m_file->setMinimumWidth(360);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_cancel = new QPushButton(GetQString(tr("Cancel")), this);
    m_cancel->setObjectName(QStringLiteral("transfer_cancel"));
    connect(m_cancel, &QPushButton::clicked, this, &TransferEngineWindow::cancelRequested);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_file);
    layout->addWidget(m_bar);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
}

void TransferEngineWindow::startBatch(const QString& title, int files)
{
    m_files = files;
    setWindowTitle(title);
    m_title->setText(title);
    m_file->clear();
    m_bar->setValue(0);
    m_cancel->setEnabled(true);
}

void TransferEngineWindow::showProgress(
    qint64 done, qint64 total, const QString& file, int fileNumber)
{
    const QString name
        = QFileInfo(QString(file).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName();
    m_file->setText(GetQString(tr("%1 (%2 of %3)")).arg(name).arg(fileNumber).arg(m_files));
    m_bar->setValue(total > 0 ? int(qBound<qint64>(0, done * 100 / total, 100)) : 0);
}

QString TransferEngineWindow::fileText() const
{
    return m_file->text();
}

int TransferEngineWindow::percent() const
{
    return m_bar->value();
}
