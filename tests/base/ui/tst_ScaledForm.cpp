#include "base/ui/ScaledForm.h"
#include <QLabel>
#include <QtTest>

class TestScaledForm : public QObject {
    Q_OBJECT
private slots:
    void placement_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QRect>("label");       // pixels of a label at twips (1500, 1500, 3000, 1500)
        QTest::addColumn<QRect>("inPanel");     // a label at twips (150, 300, 1500, 450) inside a panel
        QTest::addColumn<int>("fontPixels");    // 12 point at 1024 × 768 is 16 pixels
        QTest::newRow("design size") << QSize(1024, 768) << QRect(100, 100, 200, 100) << QRect(10, 20, 100, 30) << 16;
        QTest::newRow("twice the design size") << QSize(2048, 1536) << QRect(200, 200, 400, 200)
                                               << QRect(20, 40, 200, 60) << 32;
        // 1080 / 768 = 1.40625; the 1440-pixel-wide design area is centred: 240 pixels each side.
        QTest::newRow("wide screen") << QSize(1920, 1080) << QRect(240 + 141, 141, 281, 140)
                                     << QRect(14, 28, 141, 42) << 23;
        // 800 / 1024 = 0.78125 limits; the 600-pixel-high area is centred in 700.
        QTest::newRow("tall window") << QSize(800, 700) << QRect(78, 50 + 78, 156, 78) << QRect(8, 16, 78, 23) << 13;
    }
    void placement()
    {
        QFETCH(QSize, window);
        QFETCH(QRect, label);
        QFETCH(QRect, inPanel);
        QFETCH(int, fontPixels);
        ScaledForm form;
        auto* l = new QLabel("x", &form);
        form.Place(l, 1500, 1500, 3000, 1500, 12);
        auto* panel = new QWidget(&form);
        form.Place(panel, 3000, 3000, 6000, 3000);
        auto* inner = new QLabel("y", panel);
        form.Place(inner, 150, 300, 1500, 450);
        form.resize(window);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.size(), window);
        QCOMPARE(l->geometry(), label);
        QCOMPARE(inner->geometry(), inPanel);
        QCOMPARE(l->font().pixelSize(), fontPixels);
        // The panel sits on the centred design area like any other control.
        QCOMPARE(panel->geometry().topLeft(), form.ToPixels(QRect(3000, 3000, 1, 1)).topLeft()
                                                 + (label.topLeft() - form.ToPixels(QRect(1500, 1500, 1, 1)).topLeft()));
    }

    // A control placed after the window has its size, and a later font change, follow the same scale.
    void placedLateAndRescaled()
    {
        ScaledForm form;
        form.resize(2048, 1536);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.Scale(), 2.0);
        auto* l = new QLabel("x", &form);
        form.Place(l, 0, 0, 1500, 1500, 9);
        QCOMPARE(l->geometry(), QRect(0, 0, 200, 200));
        QCOMPARE(l->font().pixelSize(), 24);
        form.SetPointSize(l, 18);
        QCOMPARE(l->font().pixelSize(), 48);
        form.resize(1024, 768);
        QTRY_COMPARE(l->geometry(), QRect(0, 0, 100, 100));
        QCOMPARE(l->font().pixelSize(), 24);
    }

    void windowedShowsTheDesignSize()
    {
        ScaledForm form;
        form.Windowed = true;
        form.resize(300, 200);
        form.ShowScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.size(), QSize(1024, 768));
        QVERIFY(!form.isFullScreen());
    }
};

QTEST_MAIN(TestScaledForm)
#include "tst_ScaledForm.moc"
