#pragma once

#include "importsummary.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;

// The end of an import: how many photos were copied, were already there or
// failed and why, what was deleted from the phone and what was kept, with a
// button that opens the destination folder. Not modal.
class ImportSummaryDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ImportSummaryDialog(const ImportSummary& summary, QWidget* parent = nullptr);

    QString headline() const;
    QString details() const;
    // The folder "Open folder" shows: the one folder all new copies are in,
    // else the destination.
    static QString folderToOpen(const ImportSummary& summary);

private:
    void openFolder();

    ImportSummary m_summary;
    QLabel* m_headline = nullptr;
    QPlainTextEdit* m_details = nullptr;
};
