#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
struct ImportProgress;

// The small window that shows a running transfer or import: the file, the
// bytes with the time left, and the cancel button. Not modal: the user goes
// on working while files are copied.
class TransferEngineWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TransferEngineWindow(QWidget* parent = nullptr);

    void startBatch(const QString& title, int files);
    void showProgress(qint64 done, qint64 total, const QString& file, int fileNumber);
    void showImportProgress(const ImportProgress& progress);
    QString fileText() const;
    QString bytesText() const;
    int percent() const;

    // "about 2 minutes left" from what was done in the time gone; empty
    // while too little is known.
    static QString timeLeftText(qint64 done, qint64 total, qint64 elapsedMs);

signals:
    void cancelRequested();

private:
    QLabel* m_title = nullptr;
    QLabel* m_file = nullptr;
    QLabel* m_bytes = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_files = 0;
    int m_phase = -1;
    QElapsedTimer m_clock;
};
