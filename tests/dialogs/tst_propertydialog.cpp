#include "dialogs/propertydialog.h"
#include "host/services/devicepath.h"
#include "model/cphotodataitem.h"
#include "screen/photoitemviewwidget.h"
#include "screen/propertiescontroller.h"
#include "support/screenfixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

std::unique_ptr<CPhotoDataItem> makeItem(const QString& path)
{
    auto item = std::make_unique<CPhotoDataItem>();
    item->setPath(path);
    item->setTitle(QStringLiteral("IMG_0001"));
    item->setFileType(QStringLiteral("jpg"));
    return item;
}

template<typename T = QWidget> T* part(const QWidget& dialog, const char* name)
{
    T* widget = dialog.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no %s in the dialog", name);
    return widget;
}

} // namespace

class TestPropertyDialog : public QObject
{
    Q_OBJECT

private slots:
    void nameValidator_data();
    void nameValidator();
    void enterRightAfterOpeningCancels();
    void layoutPerConnection_data();
    void layoutPerConnection();
    void longPathIsCutToFourLines_data();
    void longPathIsCutToFourLines();
};

// What cannot be a file name stays in the field as typed, OK waits, and the
// field says what was refused.
void TestPropertyDialog::nameValidator_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::newRow("leading space") << " a" << true;
    QTest::newRow("inner spaces kept") << "a  b c" << false;
    QTest::newRow("forbidden characters") << "x\\:*?\"<>|y" << true;
    QTest::newRow("leading dot") << ".a" << true;
    QTest::newRow("101 characters") << QString(101, QLatin1Char('a')) << true;
    QTest::newRow("too long in bytes") << QString(90, QChar(0x20AC)) << true;
    QTest::newRow("cleared") << "" << true;
}

void TestPropertyDialog::nameValidator()
{
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    auto item = makeItem(QStringLiteral("\\phone\\DCIM\\IMG_0001.jpg"));
    PropertyDialog dialog(nullptr, item.get());
    auto* edit = part<QLineEdit>(dialog, "edit_name");
    auto* ok = part<QPushButton>(dialog, "push_photo_ok");
    QVERIFY(ok->isEnabled());
    edit->clear();
    edit->insert(typed); // as typed or pasted
    QCOMPARE(dialog.GetTitle(), typed);
    QCOMPARE(ok->isEnabled(), !refused);
    QCOMPARE(edit->toolTip().isEmpty(), !refused); // the tip says why
}

void TestPropertyDialog::enterRightAfterOpeningCancels()
{
    auto item = makeItem(QStringLiteral("\\phone\\DCIM\\IMG_0001.jpg"));
    PropertyDialog dialog(nullptr, item.get());
    bool pressed = false;
    QTimer::singleShot(0, &dialog, [&] {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &dialog;
        QTest::keyClick(target, Qt::Key_Return);
        pressed = true;
        if (dialog.isVisible())
            dialog.done(-1); // never hang on a dialog the key did not close
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(pressed);
}

// The name is edited only where the phone can rename; place and location
// only where the phone gives them.
void TestPropertyDialog::layoutPerConnection_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("editable");
    QTest::addColumn<bool>("place");
    QTest::addColumn<bool>("location");
    QTest::newRow("mass storage") << 0x80000 << true << true << true;
    QTest::newRow("media transfer") << 0x40000 << true << false << true;
    QTest::newRow("minimal records") << 0x10000 << false << false << false;
}

void TestPropertyDialog::layoutPerConnection()
{
    QFETCH(int, kind);
    QFETCH(bool, editable);
    QFETCH(bool, place);
    QFETCH(bool, location);
    ScreenFixture::Options options;
    options.connectionKind = kind;
    options.show = false;
    ScreenFixture fixture(options);
    QVERIFY(fixture.isValid());
    auto item = makeItem(QStringLiteral("\\phone\\DCIM\\IMG_0001.jpg"));
    PropertyDialog dialog(fixture.screen()->findChild<PropertiesController*>(), item.get());
    auto hidden = [&dialog](const char* name) { return part(dialog, name)->isHidden(); };
    QCOMPARE(hidden("edit_name"), !editable);
    QCOMPARE(hidden("label_name_value"), editable);
    QCOMPARE(hidden("label_latitude"), !place);
    QCOMPARE(hidden("push_photo_openlocation"), !location);
}

void TestPropertyDialog::longPathIsCutToFourLines_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("cut");
    QTest::newRow("short") << "\\phone\\DCIM\\IMG_0001.jpg" << false;
    const QString deep = QStringLiteral("\\phone")
        + QStringLiteral("\\Holiday album 2019").repeated(20) + QStringLiteral("\\IMG_0001.jpg");
    QTest::newRow("deep folders") << deep << true;
    QTest::newRow("one long name") << "\\phone\\" + QString(600, QLatin1Char('x')) + ".jpg" << true;
}

void TestPropertyDialog::longPathIsCutToFourLines()
{
    QFETCH(QString, path);
    QFETCH(bool, cut);
    auto item = makeItem(path);
    PropertyDialog dialog(nullptr, item.get());
    auto* label = part<QLabel>(dialog, "label_location");
    const QString shown = label->text();
    // Inside the phone: "DCIM/IMG_0001.jpg".
    const QString location = DevicePath::relativeFile(item->path, QString());
    QVERIFY(!location.contains(QLatin1String("phone")));
    QVERIFY(shown.count(QLatin1Char('\n')) <= 3);
    QCOMPARE(QString(shown).remove(QLatin1Char('\n')) != location, cut);
    QCOMPARE(label->toolTip().isEmpty(), !cut);
    if (cut)
        QCOMPARE(label->toolTip().remove(QLatin1Char('\n')), location);
}

QTEST_MAIN(TestPropertyDialog)
#include "tst_propertydialog.moc"
