#include "host/widgets/ocloadingwidget.h"

#include <QPushButton>
#include <QtTest>

class TestOCLoadingWidget : public QObject
{
    Q_OBJECT

private:
    static QImage render(QWidget& widget)
    {
        QImage image(widget.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        widget.render(&image);
        return image;
    }

private slots:
    // Only the cover keeps clicks away from the page under it.
    void coverTakesTheMouse_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("buttonReachable");
        QTest::newRow("full cover") << 0 << false;
        QTest::newRow("small") << 3 << true;
    }

    void coverTakesTheMouse()
    {
        QFETCH(int, mode);
        QFETCH(bool, buttonReachable);
        QWidget page;
        page.resize(200, 200);
        auto* button = new QPushButton(&page);
        button->setGeometry(80, 80, 40, 40);
        OCLoadingWidget loading(&page, mode);
        page.show();
        loading.ShowLoadingWidget();
        QCOMPARE(page.childAt(100, 100) == button, buttonReachable);
        loading.HideLoadingWidget();
        QCOMPARE(page.childAt(100, 100), button);
    }

    void tinyParentDoesNotBreakPainting()
    {
        QWidget page;
        page.resize(3, 2);
        OCLoadingWidget loading(&page, 3);
        page.show();
        loading.ShowLoadingWidget();
        QVERIFY(loading.width() <= 3);
        render(loading);
        loading.HideLoadingWidget();
    }
};

QTEST_MAIN(TestOCLoadingWidget)
#include "tst_ocloadingwidget.moc"
