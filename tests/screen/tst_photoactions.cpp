#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QtTest>

#include "host/contract/ideviceagent.h"
#include "screen/photoactions.h"

Q_DECLARE_METATYPE(PhotoActions::Context)

namespace {

// One character per command in menu order: '-' hidden, '0' shown disabled,
// '1' shown enabled.
QString entries(const PhotoActions& actions)
{
    QString text;
    for (int command = PhotoActions::View; command < PhotoActions::None; ++command) {
        const QAction* action = actions.action(command);
        text += !action->isVisible() ? QLatin1Char('-')
            : action->isEnabled()    ? QLatin1Char('1')
                                     : QLatin1Char('0');
    }
    return text;
}

PhotoActions::Context selection(int selected, bool exists = true)
{
    PhotoActions::Context context;
    context.selected = selected;
    context.anyExists = selected > 0 && exists;
    context.connectionKind = ConnectionKind::MassStorage;
    context.albumsOffered = true;
    return context;
}

} // namespace

class TestPhotoActions : public QObject
{
    Q_OBJECT

private slots:
    void statesFollowTheSelection_data()
    {
        QTest::addColumn<PhotoActions::Context>("context");
        QTest::addColumn<QString>("expected");
        // View, to PC, to album, Property, Show in file manager, Locate,
        // Copy, Paste, Delete, Uncheck Selection.
        QTest::newRow("nothing selected") << selection(0) << "00000-000-";
        auto clipboard = selection(0);
        clipboard.clipboardHasPhotos = true;
        QTest::newRow("nothing selected, photos on the clipboard") << clipboard << "00000-010-";
        QTest::newRow("one photo") << selection(1) << "11111-101-";
        QTest::newRow("two photos") << selection(2) << "11100-101-";
        QTest::newRow("one missing file") << selection(1, false) << "-----1--1-";
        QTest::newRow("two missing files") << selection(2, false) << "-----0--1-";
        auto basic = selection(1);
        basic.connectionKind = ConnectionKind::MtpBasic;
        QTest::newRow("basic media transfer") << basic << "11110-101-";
        auto mtpMissing = selection(1, false);
        mtpMissing.connectionKind = ConnectionKind::Mtp;
        QTest::newRow("missing file on media transfer") << mtpMissing << "-----0--1-";
        auto listing = selection(1);
        listing.listing = true;
        QTest::newRow("while listing") << listing << "11111-100-";
        auto listingMissing = selection(1, false);
        listingMissing.listing = true;
        QTest::newRow("missing file while listing") << listingMissing << "-----0--0-";
        auto transfer = selection(1);
        transfer.transferRunning = true;
        QTest::newRow("while the PC library transfers") << transfer << "11111-100-";
        auto noAlbums = selection(1);
        noAlbums.albumsOffered = false;
        QTest::newRow("albums not offered") << noAlbums << "11-11-101-";
    }

    void statesFollowTheSelection()
    {
        QFETCH(PhotoActions::Context, context);
        QFETCH(QString, expected);
        PhotoActions actions;
        actions.update(context);
        QCOMPARE(entries(actions), expected);
    }

    void menuAndKeysReachTheCommands()
    {
        PhotoActions actions;
        QMenu menu;
        actions.fillMenu(&menu);
        QList<int> commands;
        for (QAction* action : menu.actions()) {
            if (!action->isSeparator())
                commands.append(action->data().toInt());
        }
        QCOMPARE(commands.size(), int(PhotoActions::None));
        for (int i = 0; i < commands.size(); ++i)
            QCOMPARE(commands.at(i), i);
        QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
        QKeyEvent remove(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QCOMPARE(PhotoActions::commandOfKey(&copy), int(PhotoActions::Copy));
        QCOMPARE(PhotoActions::commandOfKey(&remove), int(PhotoActions::Delete));
        QCOMPARE(PhotoActions::commandOfKey(&other), int(PhotoActions::None));
    }
};

QTEST_MAIN(TestPhotoActions)
#include "tst_photoactions.moc"
