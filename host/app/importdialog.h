#pragma once

#include "importengine.h"
#include "importsettings.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Where and how photos are imported: the destination folder, the folder
// layout, whether to import again what was imported before and whether to
// delete from the phone what is safely copied. Before an import it also says
// how many photos there are, how many were imported before, and the space
// they need against the space free.
class ImportDialog : public QDialog
{
    Q_OBJECT

public:
    using PreviewSource = std::function<ImportPreview(const QString& destination, bool again)>;

    explicit ImportDialog(const ImportSettings& settings, QWidget* parent = nullptr);

    // Before an import: the counts, asked again when the choices change.
    void setPreviewSource(PreviewSource source);
    ImportSettings settings() const;
    QString infoText() const;

private:
    void chooseFolder();
    void updateInfo();

    ImportSettings m_settings;
    PreviewSource m_preview;
    QLineEdit* m_destination = nullptr;
    QComboBox* m_layout = nullptr;
    QCheckBox* m_again = nullptr;
    QCheckBox* m_delete = nullptr;
    QLabel* m_info = nullptr;
    QPushButton* m_ok = nullptr;
};
