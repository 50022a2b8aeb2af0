#include "common/hostfiles.h"
#include "host/app/importcontroller.h"
#include "host/app/importdialog.h"
#include "host/app/transferenginewindow.h"
#include "host/device/folderphoneagent.h"
#include "support/photodatabasefixture.h"
#include "support/samplephonefixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestImportController : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SamplePhoneFixture> m_phone;

    // Answers the import dialog when it opens: the destination, then Import.
    static void answerDialog(const QString& destination, QString* info, int* opened)
    {
        QTimer::singleShot(20, [=] {
            auto* dialog = qobject_cast<ImportDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                answerDialog(destination, info, opened);
                return;
            }
            ++*opened;
            dialog->findChild<QLineEdit*>("importDestination")->setText(destination);
            *info = dialog->infoText();
            dialog->findChild<QPushButton*>("importOk")->click();
        });
    }

private slots:
    void initTestCase()
    {
        m_phone = std::make_unique<SamplePhoneFixture>(3, 9);
        QVERIFY(m_phone->isValid());
    }

    // "Transfer to PC" asks where to once, shows the progress and the summary,
    // and "Recently Added" lists the import; the next one goes at once.
    void asksOnceThenImports()
    {
        PhotoDatabaseFixture data;
        FolderPhoneAgent agent(m_phone->folder(), ConnectionKind::Mtp);
        ImportController imports(&agent, &data.manager, &data.db, nullptr);
        const QStringList paths = HostFiles::samplePhonePaths(*m_phone, agent);
        const QString destination = data.env.path("Pictures");
        QString info;
        int opened = 0;
        QSignalSpy finished(&imports, &ImportController::finished);

        answerDialog(destination, &info, &opened);
        imports.importPhotos(paths, 3000, -1);
        QVERIFY(finished.wait());
        QCOMPARE(opened, 1);
        QVERIFY2(info.contains("3 photos selected.") && info.contains("free at the destination"),
            qPrintable(info));
        auto first = finished.takeFirst().first().value<ImportSummary>();
        QCOMPARE(first.copied, 3);
        QVERIFY(imports.progressWindow()->fileText().contains("of 3"));
        QVERIFY(!imports.progressWindow()->isVisible());
        QVERIFY(imports.summaryDialog() && imports.summaryDialog()->isVisible());
        QVERIFY(imports.summaryDialog()->headline().startsWith("3 photos copied to"));
        int recent = -1;
        for (const PhotoAlbum& album : data.db.albums())
            recent = album.itemType == "recent" ? album.id : recent;
        QCOMPARE(data.db.albumFiles(recent).size(), 3);

        imports.importPhotos(paths, 3000, -1);
        QVERIFY(finished.wait());
        QCOMPARE(opened, 1);
        const auto second = finished.takeFirst().first().value<ImportSummary>();
        QCOMPARE(second.destination, destination);
        QCOMPARE(second.alreadyThere, 3);
        QVERIFY(imports.summaryDialog()->headline().contains("3 photos already there"));
        QCOMPARE(data.db.albumFiles(recent).size(), 3);
    }
};

QTEST_MAIN(TestImportController)
#include "tst_importcontroller.moc"
