#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The small window that shows a running transfer, with its cancel button.
// Not modal: the user goes on working while files are copied.
class TransferEngineWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TransferEngineWindow(QWidget* parent = nullptr);

    void startBatch(const QString& title, int files);
    void showProgress(qint64 done, qint64 total, const QString& file, int fileNumber);
    QString fileText() const;
    int percent() const;

signals:
    void cancelRequested();

private:
    QLabel* m_title = nullptr;
    QLabel* m_file = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_files = 0;
};
