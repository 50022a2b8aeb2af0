#include "mainwindow.h"

#include "pluginarea.h"
#include "pluginmanager.h"

#include <QLabel>
#include <QStatusBar>

MainWindow::MainWindow(PluginManager* manager, QWidget* parent)
    : QMainWindow(parent)
    , m_manager(manager)
{
    setObjectName(QStringLiteral("photoHostWindow"));
    setWindowTitle(tr("Phone Photos"));
    m_pluginArea = new PluginArea(this);
    setCentralWidget(m_pluginArea);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(m_statusLabel, 1);
    connect(m_manager, &PluginManager::statusTextRequested, this, &MainWindow::showStatusText);
    resize(1100, 760);
}

bool MainWindow::saveScreenshot(const QString& file)
{
    return grab().save(file, "PNG");
}

void MainWindow::showStatusText(const QString& text, Qt::Alignment alignment)
{
    m_statusLabel->setAlignment(alignment);
    m_statusLabel->setText(text);
}
