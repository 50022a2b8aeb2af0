#include "mainwindow.h"

#include "host/contract/iplugins.h"
#include "host/db/photodb.h"
#include "host/device/folderphoneagent.h"
#include "host/services/logcategories.h"
#include "hosticons.h"
#include "hostpage.h"
#include "hostsession.h"
#include "navigationtree.h"
#include "pluginarea.h"
#include "pluginmanager.h"
#include "tutorialbubble.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The mode the screen reports while its photo viewer is shown.
const int kViewerMode = 3;

QString connectionText(int kind)
{
    switch (kind) {
    case ConnectionKind::MassStorage:
        return MainWindow::tr("USB mass storage");
    case ConnectionKind::Mtp:
        return MainWindow::tr("media transfer (MTP)");
    case ConnectionKind::MtpBasic:
        return MainWindow::tr("media transfer (basic MTP)");
    default:
        return MainWindow::tr("an unknown connection");
    }
}

// Without a translation loaded tr() has no plural forms: pick the text here.
QString fileCount(int count)
{
    return count == 1 ? MainWindow::tr("1 file") : MainWindow::tr("%1 files").arg(count);
}

} // namespace

MainWindow::MainWindow(PluginManager* manager, HostSession* session, QWidget* parent)
    : QMainWindow(parent)
    , m_manager(manager)
    , m_session(session)
{
    setObjectName(QStringLiteral("photoHostWindow"));
    setWindowTitle(tr("Phone Photos"));

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("hostCentral"));
    auto* toolbar = new QWidget(central);
    toolbar->setObjectName(QStringLiteral("hostToolbar"));
    buildToolbar(toolbar);

    m_tree = new NavigationTree(central);
    m_tree->setMinimumWidth(180);
    m_pages = new QStackedWidget(central);
    m_pages->setObjectName(QStringLiteral("hostPages"));
    m_pluginArea = new PluginArea(m_pages);
    m_hostPage = new HostPage(m_pages);
    m_pages->addWidget(m_pluginArea);
    m_pages->addWidget(m_hostPage);
    m_pages->setCurrentWidget(m_hostPage);

    auto* splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("hostSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(1);
    splitter->addWidget(m_tree);
    splitter->addWidget(m_pages);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({ 220, 880 });

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusText"));
    m_statusLabel->setAlignment(Qt::AlignCenter);
    statusBar()->setObjectName(QStringLiteral("hostStatusBar"));
    statusBar()->addWidget(m_statusLabel, 1);
    m_loading = new QProgressBar(this);
    m_loading->setObjectName(QStringLiteral("loadingIndicator"));
    m_loading->setRange(0, 0); // busy: no end is known
    m_loading->setTextVisible(false);
    m_loading->setFixedSize(132, 6);
    m_loading->setToolTip(tr("Waiting for the phone's storage"));
    m_loading->hide();
    statusBar()->addPermanentWidget(m_loading);
    statusBar()->setSizeGripEnabled(false);

    m_tutorial = new TutorialBubble(this);
    buildMenus();

    connect(m_tree, &NavigationTree::entryChosen, this, &MainWindow::onEntryChosen);
    connect(m_manager, &PluginManager::viewModeReported, this, &MainWindow::onViewModeReported);
    connect(m_manager, &PluginManager::toPcButtonEnabled, this, &MainWindow::onToPcEnabled);
    connect(m_manager, &PluginManager::statusTextRequested, this, &MainWindow::showStatusText);
    connect(m_manager, &PluginManager::on_signal_pmgr_showModechangeLoading, this,
        &MainWindow::showModeChangeLoading);
    connect(m_manager, &PluginManager::on_signal_pmgr_showTutorialMove, this,
        &MainWindow::showTutorial);
    connect(m_manager, &PluginManager::on_signal_pmgr_hideTutorialMove, this,
        &MainWindow::hideTutorial);

    refreshPhone();
    refreshLibrary();
    applyViewButtons();
    updateActions();
    resize(1100, 760);
}

MainWindow::~MainWindow() = default;

bool MainWindow::saveScreenshot(const QString& file)
{
    return grab().save(file, "PNG");
}

void MainWindow::refreshPhone()
{
    const bool connected = m_session && m_session->isPhoneConnected();
    m_tree->setPhone(connected ? m_session->phoneName() : QString(), connected,
        m_session ? m_session->deviceIndex() : -1);
    if (m_tree->currentItemType() == OCGlobal::ITEM_DEVICE)
        showHostPage(OCGlobal::ITEM_DEVICE, m_tree->currentItem()->text(0), -1);
    updateActions();
}

void MainWindow::setOtherDevices(const QList<GPhotoDeviceId>& devices)
{
    m_tree->setOtherDevices(devices);
}

void MainWindow::setNoPhoneNote(const QString& note)
{
    m_noPhoneNote = note;
    if (m_tree->currentItemType() == OCGlobal::ITEM_DEVICE)
        showHostPage(OCGlobal::ITEM_DEVICE, m_tree->currentItem()->text(0), -1);
}

void MainWindow::setOpeningDevice(const QString& model)
{
    m_openingDevice = model;
    if (m_tree->currentItemType() == OCGlobal::ITEM_DEVICE)
        showHostPage(OCGlobal::ITEM_DEVICE, m_tree->currentItem()->text(0), -1);
}

void MainWindow::refreshLibrary()
{
    PhotoDB* database = m_session ? m_session->photoDatabase() : nullptr;
    m_tree->setAlbums(database ? database->albums() : QList<PhotoAlbum>());
}

void MainWindow::selectStartEntry()
{
    if (!m_tree->selectEntry(OCGlobal::ITEM_PHONE_PHOTO))
        m_tree->selectEntry(OCGlobal::ITEM_DEVICE);
    m_tree->setFocus();
}

void MainWindow::onEntryChosen(int itemType, const QString& display, const QString& key, int id)
{
    // The screen looks at its own visibility when the action arrives: show it
    // before telling it, hide it before telling it about another entry.
    const QString port = NavigationTree::portOf(m_tree->currentItem());
    if (itemType == OCGlobal::ITEM_DEVICE && !port.isEmpty()) {
        showPhotoScreen(false);
        m_hostPage->showContent(HostIcons::phone(), display, tr("Opening %1...").arg(display), {},
            HostPage::Texts, QString());
        emit deviceChosen(display, port);
        return;
    }
    if (itemType == OCGlobal::ITEM_PHONE_PHOTO) {
        showPhotoScreen(true);
    } else {
        showPhotoScreen(false);
        showHostPage(itemType, display, id);
    }
    emit m_manager->on_signal_pmgr_leftview_actionsubitem(
        ITEM_TYPE(itemType), QStringLiteral("clicked"), display, key, id);
    updateActions();
}

void MainWindow::showPhotoScreen(bool show)
{
    if (show) {
        m_pages->setCurrentWidget(m_pluginArea);
        m_photoShown = true;
        if (m_plugin)
            m_plugin->ShowWidget(true);
    } else {
        if (m_plugin)
            m_plugin->ShowWidget(false);
        m_photoShown = false;
        m_pages->setCurrentWidget(m_hostPage);
        m_tutorial->hide();
        m_loading->hide();
    }
    m_search->setEnabled(m_photoShown);
    m_toPcButton->setEnabled(m_photoShown && m_toPcEnabled);
    applyViewButtons();
}

void MainWindow::showHostPage(int itemType, const QString& display, int id)
{
    const QString phone = m_session ? m_session->phoneName() : QString();
    QString status;
    switch (itemType) {
    case OCGlobal::ITEM_DEVICE:
        if (m_session && m_session->isPhoneConnected()) {
            m_hostPage->showContent(HostIcons::phone(), phone,
                tr("Connected over %1. %2")
                    .arg(
                        connectionText(m_session->connectionKind()), m_session->phoneDescription()),
                {}, HostPage::Texts, tr("Choose Photo to see the photos on this phone."));
        } else if (m_session && m_session->hasPhone()) {
            m_hostPage->showContent(HostIcons::phone(), tr("No phone connected"),
                tr("The phone was disconnected."), {}, HostPage::Texts,
                tr("Reconnect it from the Device menu."));
        } else if (!m_openingDevice.isEmpty()) {
            m_hostPage->showContent(HostIcons::phone(), m_openingDevice,
                tr("Opening %1...").arg(m_openingDevice), {}, HostPage::Texts, QString());
        } else {
            m_hostPage->showContent(HostIcons::phone(), tr("No phone connected"),
                m_noPhoneNote.isEmpty()
                    ? tr("Plug in a phone or camera, unlock it and choose \"File transfer\" or "
                         "\"PTP\" on it; it then shows in the list. Or start photo-host with "
                         "--phone DIR to open a folder as a phone, or with --demo to open a "
                         "sample phone.")
                    : m_noPhoneNote,
                {}, HostPage::Texts, QString());
        }
        break;
    case OCGlobal::ITEM_PHONE_MUSIC:
    case OCGlobal::ITEM_PHONE_VIDEO:
        m_hostPage->showContent(
            itemType == OCGlobal::ITEM_PHONE_MUSIC ? HostIcons::music() : HostIcons::video(),
            display, tr("On %1").arg(phone), {}, HostPage::Texts,
            tr("photo-host shows the photos of a phone only."));
        break;
    case OCGlobal::ITEM_PC_PHOTO: {
        PhotoDB* database = m_session ? m_session->photoDatabase() : nullptr;
        if (id == -1) {
            QStringList names;
            const QList<PhotoAlbum> albums = database ? database->albums() : QList<PhotoAlbum>();
            for (const PhotoAlbum& album : albums)
                names.append(tr("%1 (%2)").arg(
                    album.name, fileCount(database->albumFiles(album.id).size())));
            m_hostPage->showContent(HostIcons::library(), display,
                tr("The albums of this computer's photo library."), names, HostPage::Texts,
                tr("No albums yet."));
            status = names.size() == 1 ? tr("1 album") : tr("%1 albums").arg(names.size());
        } else {
            const QStringList files = database ? database->albumFiles(id) : QStringList();
            m_hostPage->showContent(HostIcons::album(), display, tr("An album of this computer."),
                files, HostPage::Files, tr("This album is empty."));
            status = fileCount(files.size());
        }
        break;
    }
    default:
        qCWarning(lcHostApp) << "MainWindow::showHostPage"
                             << ": unknown item type" << itemType;
        m_hostPage->showContent(QIcon(), display, QString(), {}, HostPage::Texts, QString());
        break;
    }
    m_statusLabel->setAlignment(Qt::AlignCenter);
    m_statusLabel->setText(status);
}

void MainWindow::onViewModeReported(int mode, uint flags)
{
    m_reportedMode = mode;
    m_reportedFlags = flags;
    // The tip points at the list; over the viewer it would cover the photo.
    if (mode == kViewerMode)
        m_tutorial->hide();
    applyViewButtons();
}

void MainWindow::applyViewButtons()
{
    for (int mode = 0; mode < 3; ++mode) {
        QToolButton* button = m_viewButtons[mode];
        button->setChecked(m_reportedMode == mode);
        button->setEnabled(m_photoShown && !(m_reportedFlags & (1u << mode)));
    }
}

void MainWindow::onToPcEnabled(bool enabled)
{
    m_toPcEnabled = enabled;
    m_toPcButton->setEnabled(m_photoShown && enabled);
}

void MainWindow::showStatusText(const QString& text, Qt::Alignment alignment)
{
    // A late text of the hidden screen must not cover the host page's own.
    if (!m_photoShown) {
        qCDebug(lcHostApp) << "MainWindow::showStatusText"
                           << ": screen hidden, dropped" << text;
        return;
    }
    m_statusLabel->setAlignment(alignment);
    m_statusLabel->setText(text);
}

void MainWindow::showModeChangeLoading(bool show, ITEM_TYPE itemType)
{
    qCDebug(lcHostApp) << "MainWindow::showModeChangeLoading"
                       << ":" << show << "item type" << int(itemType);
    m_loading->setVisible(show);
}

void MainWindow::showTutorial(bool phone, int x, int y)
{
    if (!m_photoShown || !phone || m_reportedMode == kViewerMode)
        return;
    // The screen gives its point for a left-to-right layout.
    const int mirroredX = isRightToLeft() ? m_pluginArea->width() - x - m_tutorial->width() : x;
    m_tutorial->showAt(m_pluginArea->mapTo(this, QPoint(mirroredX, y)));
}

void MainWindow::hideTutorial(bool once)
{
    Q_UNUSED(once);
    m_tutorial->hide();
}
