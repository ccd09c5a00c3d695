#include "base/ui/ScaledForm.h"
#include "base/ui/ScaledMessageBoxes.h"
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

// A message box over a screen drawn larger than 1024 × 768 is drawn as much larger, so that it can
// be read from a pupil's seat; at the design size it keeps the desktop's font.
class TestScaledMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void boxTakesTheScreensScale_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("parented");
        QTest::addColumn<double>("scale");
        QTest::newRow("design size") << QSize(1024, 768) << true << 1.0;
        QTest::newRow("1920 x 1080") << QSize(1920, 1080) << true << 1080.0 / 768;
        QTest::newRow("1920 x 1080, a box of no screen") << QSize(1920, 1080) << false << 1080.0 / 768;
    }
    void boxTakesTheScreensScale()
    {
        QFETCH(QSize, screen);
        QFETCH(bool, parented);
        QFETCH(double, scale);
        ScaledMessageBoxes filter;
        qApp->installEventFilter(&filter);
        ScaledForm form;
        form.resize(screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.Scale(), scale);

        const double base = QApplication::font().pointSizeF();
        double shown = 0;
        QSize boxSize;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = box->font().pointSizeF();
            boxSize = box->size();
            box->done(QMessageBox::Ok);
        });
        QMessageBox::warning(parented ? &form : nullptr, QStringLiteral("注意"),
                             QStringLiteral("成績ファイルに書き込めません。先生に知らせてください。"));
        QVERIFY(shown > 0);
        QVERIFY2(qAbs(shown - base * scale) < 0.01, qPrintable(QStringLiteral("%1 pt, base %2").arg(shown).arg(base)));
        qApp->removeEventFilter(&filter);
    }
};

QTEST_MAIN(TestScaledMessageBoxes)
#include "tst_ScaledMessageBoxes.moc"
