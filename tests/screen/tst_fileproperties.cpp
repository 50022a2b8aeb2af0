#include "dialogs/propertydialog.h"
#include "host/device/folderphoneagent.h"
#include "host/services/fileutils.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "model/cphotodataitem.h"
#include "model/ocmediaitemlist.h"
#include "model/photoitemviewmodel.h"
#include "model/photoroles.h"
#include "screen/photoitemviewwidget.h"
#include "support/screenfixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const int PhotoType = OCGlobal::ITEM_PHONE_PHOTO;

bool flagSet(quint32 flag, OCSharedValue::StateKind kind)
{
    return g_SharedValue.getState(PhotoType, kind) & flag;
}

// Acts on the next modal dialog of type T once it is up; a dialog left open
// is closed, so a failing test never hangs.
template<typename T> void whenModal(std::function<void(T*)> act)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog && ++*tries < 500)
            return;
        poll->stop();
        poll->deleteLater();
        if (!dialog)
            return;
        act(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll->start(10);
}

// Rows of camera photos, which share one folder and one extension.
QList<int> cameraRows(ScreenFixture& fixture)
{
    QList<int> rows;
    const QModelIndexList indexes = fixture.rows();
    for (int row = 0; row < indexes.size(); ++row) {
        if (fixture.itemAt(indexes.at(row))->path.contains(QLatin1String("DCIM\\Camera")))
            rows << row;
    }
    return rows;
}

QString fileOf(const CPhotoDataItem* item)
{
    return toFileSystemPath(item->path);
}

// A phone whose storage stops answering: the next existence question hangs
// until let go (20 s at most, so that a failing test ends).
class HangingAgent : public FolderPhoneAgent
{
public:
    using FolderPhoneAgent::FolderPhoneAgent;
    ~HangingAgent() override { letGo.release(); }
    bool IsFileExist(const QString& path) override
    {
        if (hangNext.exchange(false)) {
            hanging = true;
            letGo.tryAcquire(1, 20000);
            hanging = false;
        }
        return FolderPhoneAgent::IsFileExist(path);
    }
    std::atomic<bool> hangNext { false };
    std::atomic<bool> hanging { false };
    QSemaphore letGo;
};

} // namespace

class TestFileProperties : public QObject
{
    Q_OBJECT

private slots:
    void rename_data();
    void rename();
    void locate_data();
    void locate();
    void selectionCheck();
    void hungStorageNeverFreezesTheScreen_data();
    void hungStorageNeverFreezesTheScreen();
};

void TestFileProperties::rename_data()
{
    QTest::addColumn<QString>("name"); // "=other": the title of another camera photo
    QTest::addColumn<int>("refusal");
    QTest::addColumn<bool>("renamed");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("notice"); // the text of a plain notice box
    QTest::newRow("accepted") << "Beach at dusk" << 0 << true << -1 << "";
    QTest::newRow("same title") << "" << 0 << false << -1 << "";
    QTest::newRow("name taken") << "=other" << 0 << false << 23 << "";
    QTest::newRow("host refuses") << "Beach at dusk" << 3 << false << 23 << "";
    QTest::newRow("device cannot rename")
        << "Beach at dusk" << 33 << false << -1 << "This device cannot rename files.";
}

void TestFileProperties::rename()
{
    QFETCH(QString, name);
    QFETCH(int, refusal);
    QFETCH(bool, renamed);
    QFETCH(int, errorCode);
    QFETCH(QString, notice);
    ScreenFixture::Options options;
    options.photoCount = 4;
    ScreenFixture fixture(options);
    QVERIFY(fixture.fill() > 0);
    FolderAgentFaults faults;
    faults.renameRefusal = refusal;
    fixture.agent()->setFaults(faults);
    const QList<int> camera = cameraRows(fixture);
    QVERIFY(camera.size() >= 2);
    CPhotoDataItem* item = fixture.itemAt(fixture.rows().at(camera.at(0)));
    const QString oldFile = fileOf(item);
    const QString title = item->title;
    if (name.isEmpty())
        name = title;
    else if (name == QLatin1String("=other"))
        name = fixture.itemAt(fixture.rows().at(camera.at(1)))->title;
    fixture.select({ camera.at(0) });

    whenModal<PropertyDialog>([name](PropertyDialog* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("edit_name"))->setText(name);
        dialog->findChild<QPushButton*>(QStringLiteral("push_photo_ok"))->click();
    });
    fixture.screen()->OnProperty();
    QTRY_VERIFY(!flagSet(OCSharedValue::ProcessRenameLocate, OCSharedValue::ProcessState));

    const QString newFile = QFileInfo(oldFile).path() + '/' + name + ".jpg";
    QCOMPARE(QFile::exists(oldFile), !renamed || newFile == oldFile);
    QCOMPARE(fixture.boxes().errorCodes(), errorCode < 0 ? QList<int>() : QList<int> { errorCode });
    QStringList notices;
    for (const MessageBoxRequest& box : fixture.boxes().requests()) {
        if (box.errorCode < 0)
            notices.append(box.text);
    }
    QCOMPARE(notices, notice.isEmpty() ? QStringList() : QStringList { notice });
    QVERIFY(fixture.screen()->propertyPath().isEmpty());
    if (renamed) {
        QVERIFY(QFile::exists(newFile));
        CPhotoDataItem* now = fixture.mediaList()->findItem(toStoredPath(newFile), false);
        QVERIFY(now);
        QCOMPARE(now->title, name);
        QVERIFY(!fixture.mediaList()->findItem(toStoredPath(oldFile), false));
    } else {
        QCOMPARE(fixture.mediaList()->findItem(toStoredPath(oldFile), false)->title, title);
    }
}

void TestFileProperties::locate_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("three found, hidden one left") << false;
    QTest::newRow("file dialog cancelled") << true;
}

// Three camera photos moved to another folder, a fourth listed under a
// hidden name: locating one re-links the two others, never the hidden one.
void TestFileProperties::locate()
{
    QFETCH(bool, cancel);
    ScreenFixture::Options options;
    options.photoCount = 6;
    ScreenFixture fixture(options);
    const int count = fixture.fill();
    const QList<int> camera = cameraRows(fixture);
    QVERIFY(camera.size() >= 4);
    QTemporaryDir moved;
    QStringList oldPaths;
    for (int i = 0; i < 3; ++i) {
        const CPhotoDataItem* item = fixture.itemAt(fixture.rows().at(camera.at(i)));
        oldPaths << item->path;
        QVERIFY(QFile::rename(fileOf(item), moved.filePath(item->fileName())));
    }
    const QModelIndex first = fixture.rows().at(camera.at(0));
    CPhotoDataItem* hidden = fixture.itemAt(fixture.rows().at(camera.at(3)));
    const QString hiddenPath = toStoredPath(QFileInfo(fileOf(hidden)).path() + "/.secret.jpg");
    QVERIFY(fixture.mediaList()->renameItem(hidden->path, hiddenPath));
    QVERIFY(QFile::copy(moved.filePath(QFileInfo(fileOf(fixture.itemAt(first))).fileName()),
        moved.filePath(".secret.jpg")));

    const QString chosen = moved.filePath(QFileInfo(toFileSystemPath(oldPaths.at(0))).fileName());
    whenModal<QFileDialog>([chosen, cancel](QFileDialog* dialog) {
        if (cancel)
            return;
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(fixture.screen()->SetFileLocate(first), !cancel);
    QVERIFY(!flagSet(OCSharedValue::ProcessRenameLocate, OCSharedValue::ProcessState));
    OCMediaItemList* list = fixture.mediaList();
    if (cancel) {
        for (const QString& path : oldPaths)
            QVERIFY(list->findItem(path, false));
        QCOMPARE(fixture.model()->rowCount(), count);
        return;
    }
    for (const QString& path : oldPaths) {
        const QString now = toStoredPath(moved.filePath(getFileName(path, true)));
        QTRY_VERIFY2(list->findItem(now, false), qPrintable(now));
        QVERIFY(!list->findItem(path, false));
    }
    QVERIFY(list->findItem(hiddenPath, false));
    QVERIFY(!list->findItem(toStoredPath(moved.filePath(".secret.jpg")), false));
    QTRY_COMPARE(fixture.model()->rowCount(), count);

    // Outside the phone's folder, the located file is still there at the
    // next look, and can be copied to the PC.
    const QString located = toStoredPath(chosen);
    const QModelIndex row
        = fixture.model()->index(fixture.model()->IndexOf(list->findItem(located, false)), 0);
    bool exists = false;
    QVERIFY(QMetaObject::invokeMethod(fixture.screen(), "on_check_file_exist",
        Q_RETURN_ARG(bool, exists), Q_ARG(QModelIndex, row)));
    QVERIFY(exists && row.data(PhotoRole::ExistsRole).toBool());
    QTemporaryDir pc;
    QCOMPARE(
        fixture.agent()->TransferFiles({ located }, pc.path(), "toPC", nullptr, nullptr, -1, 1, 0),
        0);
    QTRY_VERIFY(QFileInfo::exists(pc.filePath(QFileInfo(chosen).fileName())));
}

void TestFileProperties::selectionCheck()
{
    ScreenFixture::Options options;
    options.photoCount = 4;
    ScreenFixture fixture(options);
    QVERIFY(fixture.fill() >= 4);
    emit fixture.manager().on_signal_pmgr_changedType_View(0);
    const QModelIndexList rows = fixture.rows();
    auto exists = [&](int row) { return rows.at(row).data(PhotoRole::ExistsRole).toBool(); };
    auto remove = [&](int row) { return QFile::remove(fileOf(fixture.itemAt(rows.at(row)))); };
    const quint32 checked = OCSharedValue::PluginSelectionChecked;

    QVERIFY(remove(0) && remove(1));
    fixture.select({ 0, 1 });
    QTRY_VERIFY(flagSet(checked, OCSharedValue::PluginState));
    QVERIFY(!exists(0) && !exists(1));

    // One existing file in the selection: the flag goes and stays away.
    QVERIFY(remove(2));
    QVERIFY(exists(2));
    fixture.select({ 0, 2, 3 });
    QVERIFY(!flagSet(checked, OCSharedValue::PluginState));
    QTRY_VERIFY(!exists(2));
    QVERIFY(exists(3));
    QVERIFY(!flagSet(checked, OCSharedValue::PluginState));
}

void TestFileProperties::hungStorageNeverFreezesTheScreen_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<bool>("hangInDelete"); // else in the selection's check
    QTest::newRow("another selection") << false << false;
    QTest::newRow("delete while the selection check hangs") << true << false;
    QTest::newRow("delete whose own check hangs") << true << true;
}

// The phone's storage hangs in an existence check: changing the selection
// or deleting comes back while it hangs, and the work goes on once the
// storage answers again.
void TestFileProperties::hungStorageNeverFreezesTheScreen()
{
    QFETCH(bool, deleting);
    QFETCH(bool, hangInDelete);
    HangingAgent* agent = nullptr;
    ScreenFixture::Options options;
    options.photoCount = 4;
    options.makeAgent = [&agent](const QString& folder, int kind) {
        return std::unique_ptr<FolderPhoneAgent>(agent = new HangingAgent(folder, kind));
    };
    ScreenFixture fixture(options);
    const int count = fixture.fill();
    emit fixture.manager().on_signal_pmgr_changedType_View(0);
    QVERIFY(QFile::remove(fileOf(fixture.itemAt(fixture.rows().at(1)))));
    agent->hangNext = !hangInDelete;
    // The missing file's check, once done, raises the flag.
    fixture.select({ hangInDelete ? 1 : 0 });
    if (hangInDelete) {
        QTRY_VERIFY(flagSet(OCSharedValue::PluginSelectionChecked, OCSharedValue::PluginState));
        agent->hangNext = true;
    } else {
        QTRY_VERIFY(agent->hanging);
    }
    QElapsedTimer called;
    called.start();
    if (deleting)
        fixture.screen()->OnDelete(false);
    else
        fixture.select({ 1 });
    QVERIFY2(called.elapsed() < 5000, "the GUI thread waited for the hung storage");
    QTRY_VERIFY(agent->hanging);
    agent->letGo.release();
    if (deleting)
        QTRY_COMPARE(fixture.model()->rowCount(), count - 1);
    else
        QTRY_VERIFY(flagSet(OCSharedValue::PluginSelectionChecked, OCSharedValue::PluginState));
}

QTEST_MAIN(TestFileProperties)
#include "tst_fileproperties.moc"
