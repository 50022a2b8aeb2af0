// MainWindow: the toolbar, the Edit and Device menus, and the device actions.
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/device/gphotoagent.h"
#include "host/services/fileutils.h"
#include "host/services/logcategories.h"
#include "host/services/ocmsgbox.h"
#include "hosticons.h"
#include "hostsession.h"
#include "importcontroller.h"
#include "mainwindow.h"
#include "navigationtree.h"
#include "pluginmanager.h"

#include <QAction>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

// The screen handles Copy, Paste and Delete keys itself, and the search box
// its own: the menu only names those keys, binding them would take them away.
QString withKeyHint(const QString& text, QKeySequence::StandardKey key)
{
    return text + QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
}

constexpr int kSearchDelayMs = 250;

} // namespace

void MainWindow::buildToolbar(QWidget* toolbar)
{
    auto* layout = new QHBoxLayout(toolbar);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(10);

    auto* group = new QWidget(toolbar);
    group->setObjectName(QStringLiteral("viewModeGroup"));
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->setContentsMargins(0, 0, 0, 0);
    groupLayout->setSpacing(0);
    const struct
    {
        const char* name;
        QString tip;
        QIcon icon;
    } buttons[3] = {
        { "viewListButton", tr("List"), HostIcons::viewList() },
        { "viewThumbsButton", tr("Thumbnail list"), HostIcons::viewThumbList() },
        { "viewAlbumButton", tr("Album"), HostIcons::viewAlbum() },
    };
    // The style sheet rounds the outer corners by where a button is seen.
    const char* const segments[3] = { "left", "middle", "right" };
    for (int mode = 0; mode < 3; ++mode) {
        auto* button = new QToolButton(group);
        button->setObjectName(QLatin1String(buttons[mode].name));
        button->setProperty("segment", QLatin1String(segments[isRightToLeft() ? 2 - mode : mode]));
        button->setToolTip(buttons[mode].tip);
        button->setIcon(buttons[mode].icon);
        button->setIconSize(QSize(20, 20));
        button->setCheckable(true);
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QToolButton::clicked, this, [this, mode] { requestViewMode(mode); });
        groupLayout->addWidget(button);
        m_viewButtons[mode] = button;
    }
    layout->addWidget(group);
    layout->addStretch(1);

    m_search = new QLineEdit(toolbar);
    m_search->setObjectName(QStringLiteral("searchBox"));
    m_search->setPlaceholderText(tr("Search"));
    m_search->setClearButtonEnabled(true);
    m_search->addAction(HostIcons::search(), QLineEdit::LeadingPosition);
    m_search->setFixedWidth(260);
    m_search->setEnabled(false);
    // One search per pause in typing, not one per key.
    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(kSearchDelayMs);
    const auto sendSearch = [this] {
        m_searchTimer->stop();
        emit m_manager->on_signal_pmgr_textChanged_Search(m_search->text());
    };
    connect(m_search, &QLineEdit::textChanged, m_searchTimer, qOverload<>(&QTimer::start));
    connect(m_search, &QLineEdit::returnPressed, this, sendSearch);
    connect(m_searchTimer, &QTimer::timeout, this, sendSearch);
    layout->addWidget(m_search);

    m_toPcButton = new QPushButton(HostIcons::transfer(), tr("Transfer to PC"), toolbar);
    m_toPcButton->setObjectName(QStringLiteral("toPcButton"));
    m_toPcButton->setEnabled(false);
    connect(
        m_toPcButton, &QPushButton::clicked, m_manager, &PluginManager::on_siganl_pmgr_topc_click);
    layout->addWidget(m_toPcButton);
}

void MainWindow::buildMenus()
{
    menuBar()->setObjectName(QStringLiteral("hostMenuBar"));
    const auto addAction = [](QMenu* menu, const char* name, const QString& text,
                               const QKeySequence& shortcut = QKeySequence()) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        return action;
    };

    QMenu* file = menuBar()->addMenu(tr("&File"));
    // Albums are where "Transfer to album" puts photos from the phone.
    connect(
        addAction(file, "actionNewAlbum", tr("New Album...")), &QAction::triggered, this, [this] {
            PhotoDB* database = m_session ? m_session->photoDatabase() : nullptr;
            const QString name = database
                ? QInputDialog::getText(this, tr("New Album"), tr("Album name:")).trimmed()
                : QString();
            if (!name.isEmpty() && database->createAlbum(name) >= 0)
                refreshLibrary();
        });
    connect(addAction(file, "actionImportSettings", tr("Import Settings...")), &QAction::triggered,
        this, [this] {
            if (m_imports)
                m_imports->editSettings();
        });
    file->addSeparator();
    connect(addAction(file, "actionQuit", tr("Quit"), QKeySequence::Quit), &QAction::triggered,
        this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    const struct
    {
        const char* name;
        QString text;
        QKeySequence shortcut;
        void (PluginManager::*signal)();
        bool groupStart;
    } editCommands[] = {
        { "actionCopy", withKeyHint(tr("Copy"), QKeySequence::Copy), {},
            &PluginManager::signalCopyFromMainMenu, false },
        { "actionPaste", withKeyHint(tr("Paste"), QKeySequence::Paste), {},
            &PluginManager::signalPasteFromMainMenu, false },
        { "actionDelete", withKeyHint(tr("Delete"), QKeySequence::Delete), {},
            &PluginManager::signalDeleteFromMainMenu, false },
        { "actionSelectAll", tr("Select all"), QKeySequence::SelectAll,
            &PluginManager::signalSelectAllFromMainMenu, true },
        { "actionSelectNone", tr("Select none"), QKeySequence::Deselect,
            &PluginManager::signalSelectNoneFromMainMenu, false },
        { "actionProperties", tr("Properties"), QKeySequence(Qt::ALT + Qt::Key_Return),
            &PluginManager::signalPropertyFromMainMenu, true },
        { "actionShowInWindows", tr("Show in file manager"), {},
            &PluginManager::signalShowInWindowsFromMainMenu, false },
        { "actionView", tr("View"), {}, &PluginManager::signalMusicPlayFromMainMenu, false },
    };
    for (const auto& command : editCommands) {
        if (command.groupStart)
            edit->addSeparator();
        QAction* action = addAction(edit, command.name, command.text, command.shortcut);
        connect(action, &QAction::triggered, m_manager, command.signal);
        m_editActions.append(action);
    }

    QMenu* device = menuBar()->addMenu(tr("&Device"));
    const auto driveName = [this] {
        return m_session && m_session->phone() ? toStoredPath(m_session->phone()->storageFolder())
                                               : QString();
    };
    QAction* refresh
        = addAction(device, "actionDeviceRefresh", tr("Refresh"), QKeySequence::Refresh);
    connect(refresh, &QAction::triggered, this, &MainWindow::refreshPhotos);
    QAction* init = addAction(device, "actionDeviceInit", tr("Re-initialise Device"));
    connect(init, &QAction::triggered, this, [this] {
        qCDebug(lcHostApp) << "MainWindow::deviceInit"
                           << ": item type" << int(OCGlobal::ITEM_PHONE_PHOTO);
        emit m_manager->on_signal_device_init(OCGlobal::ITEM_PHONE_PHOTO);
    });
    device->addSeparator();
    QAction* cardIn = addAction(device, "actionCardInserted", tr("Insert Memory Card"));
    connect(cardIn, &QAction::triggered, this,
        [this, driveName] { emit m_manager->on_signal_SDCardchange(true, driveName()); });
    QAction* cardOut = addAction(device, "actionCardRemoved", tr("Remove Memory Card"));
    connect(cardOut, &QAction::triggered, this,
        [this, driveName] { emit m_manager->on_signal_SDCardchange(false, driveName()); });
    QAction* storage = addAction(device, "actionSwitchStorage", tr("Switch Storage"));
    connect(storage, &QAction::triggered, this, &MainWindow::switchStorage);
    device->addSeparator();
    QAction* disconnectAction = addAction(device, "actionDisconnect", tr("Disconnect Phone"));
    connect(disconnectAction, &QAction::triggered, this, &MainWindow::disconnectPhone);
    m_reconnectAction = addAction(device, "actionReconnect", tr("Reconnect Phone"));
    connect(m_reconnectAction, &QAction::triggered, this, &MainWindow::reconnectPhone);
    m_deviceActions = { refresh, init, cardIn, cardOut, storage, disconnectAction };

    for (QMenu* menu : { file, edit, device })
        menu->setProperty("hostMenu", true);
}

void MainWindow::updateActions()
{
    for (QAction* action : qAsConst(m_editActions))
        action->setEnabled(m_photoShown);
    const bool connected = m_session && m_session->isPhoneConnected();
    for (QAction* action : qAsConst(m_deviceActions))
        action->setEnabled(connected);
    m_reconnectAction->setEnabled(m_session && m_session->hasPhone() && !connected);
}

void MainWindow::requestViewMode(int mode)
{
    qCDebug(lcHostApp) << "MainWindow::requestViewMode"
                       << ": mode" << mode;
    emit m_manager->on_signal_pmgr_changedType_View(mode);
    // The click toggled the button; what counts is the mode the screen reports.
    applyViewButtons();
}

void MainWindow::refreshPhotos()
{
    qCDebug(lcHostApp) << "MainWindow::refreshPhotos : item type"
                       << int(OCGlobal::ITEM_PHONE_PHOTO);
    emit m_manager->on_signal_device_refresh(OCGlobal::ITEM_PHONE_PHOTO);
}

void MainWindow::switchStorage()
{
    qCDebug(lcHostApp) << "MainWindow::switchStorage"
                       << ": start";
    emit m_manager->on_signal_memcombo_changeStart();
    // The new storage is there once the screen has seen the start.
    QTimer::singleShot(0, this, [this] {
        qCDebug(lcHostApp) << "MainWindow::switchStorage"
                           << ": end";
        emit m_manager->on_signal_memcombo_changeEnd(true);
    });
}

void MainWindow::disconnectPhone()
{
    if (!m_session || !m_session->disconnectPhone())
        return;
    qCDebug(lcHostApp) << "MainWindow::disconnectPhone"
                       << ": phone gone";
    emit m_manager->on_signal_devicechange(false);
    // The phone's entries go; a chosen one falls back on the phone node.
    refreshPhone();
}

void MainWindow::reconnectPhone()
{
    if (!m_session || !m_session->hasPhone() || m_session->isPhoneConnected())
        return;
    // A device through libgphoto2 is opened anew.
    if (GPhotoAgent* camera = m_session->camera()) {
        emit deviceChosen(camera->device().model, camera->device().port);
        return;
    }
    if (!m_session->reconnectPhone()) {
        OCMsgBox::ShowOCMessageBox(this, tr("Notice"),
            tr("The phone cannot be reconnected: its folder %1 is gone.")
                .arg(m_session->phone()->storageFolder()),
            0, MsgBoxFlag::Ok);
        return;
    }
    qCDebug(lcHostApp) << "MainWindow::reconnectPhone"
                       << ": index" << m_session->deviceIndex();
    emit m_manager->on_signal_devicechange(true);
    emit m_manager->on_signal_device_init(OCGlobal::ITEM_PHONE_PHOTO);
    refreshPhone();
    m_tree->selectEntry(OCGlobal::ITEM_PHONE_PHOTO);
}
