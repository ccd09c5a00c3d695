// The pass-criteria editor over a score file of 100 000 records (in the page cache), offscreen:
// the spread of the times computed afresh from every record, the screen opened, and one keystroke
// in the edit box until the spread it shows is painted: a typed digit, a move to another level,
// and a key after another machine has appended a record. Figures only.
#include "BenchFigures.h"
#include "base/OleDate.h"
#include "records/ScoreRecord.h"
#include "support/TestScopes.h"
#include "records/ScoreRecordCodec.h"
#include "state/StateViews.h"
#include "support/AppCalls.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include "teacher/TimeDistribution.h"
#include "teacher/ui/CriteriaEditor.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace BenchFigures;

namespace {
constexpr int Records = 100000;
constexpr int Pupils = 2000;

void WriteScores()
{
    QByteArray bytes;
    bytes.reserve(qsizetype(Records) * ScoreRecordCodec::Size);
    const double today = OleDate::FromDate(QDate(2026, 12, 10));
    for (int i = 0; i < Records; ++i) {
        ScoreRecord r;
        r.Date = today - (Records - 1 - i) / 400;
        r.TimeOfDay = 0.3 + (i % 400) / 2000.0;
        r.Pupil = qint16(1 + (i * 7) % Pupils);
        r.Level = qint16(1 + i % 9);
        r.Seconds = i % 97 == 0 ? 99999 : 30 + (i * 13) % 400;
        bytes += ScoreRecordCodec::Encode(r);
    }
    AppCalls::WriteScoreBytes(bytes);
}

// A key sent to the edit box as the keyboard sends it, and the two lists painted with what the key
// left in them.
void KeyAndPaint(QWidget* screen, QLineEdit* editBox, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(editBox, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(editBox, &release);
    for (const char* name : {"List3", "List4"})
        screen->findChild<QListView*>(QLatin1String(name))->viewport()->repaint();
}

CriteriaEditor* OpenScreen()
{
    auto* screen = new CriteriaEditor(TestSchool(), TestEnv());
    screen->ShowScreen();
    while (!screen->IsReady())
        QCoreApplication::processEvents();
    return screen;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEnv().Windowed = true;

    TestInstallation inst;
    inst.WriteAll();
    ResetTestScopes();
    inst.ApplyTo(TestSchool());
    inst.WriteUniformCriteria(9);
    TestEnv().Wait = [](int) {};
    TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
    AppCalls::LoadPassCriteria();
    WriteScores();

    std::printf("bench_criteria_editor: %d score records of %d pupils on 9 levels\n", Records, Pupils);
    Print("the spread computed afresh from every record", Measure(7, [] {
              TimeDistribution fresh;
              fresh.For(StateViews::Scores(TestSchool(), TestEnv()));
          }), "none");
    Print("the screen opened (grid, edit box, spread)", Measure(5, [] {
              CriteriaEditor* screen = OpenScreen();
              delete screen;
          }), "none");

    CriteriaEditor* screen = OpenScreen();
    auto* editBox = screen->findChild<QLineEdit*>(QStringLiteral("Gridinputtext"));
    int n = 0;
    Print("a typed digit or backspace: key to the spread painted", Measure(51, [&] {
              if (n++ % 2 == 0)
                  KeyAndPaint(screen, editBox, Qt::Key_5, QStringLiteral("5"));
              else
                  KeyAndPaint(screen, editBox, Qt::Key_Backspace, QString());
          }), "16 ms");
    n = 0;
    Print("down or up: key to another level's spread painted", Measure(51, [&] {
              KeyAndPaint(screen, editBox, n++ % 2 == 0 ? Qt::Key_Down : Qt::Key_Up, QString());
          }), "16 ms");
    ScoreRecord appended;
    appended.Pupil = 1;
    appended.Level = 1;
    appended.Seconds = 42;
    Print("a key after another machine's append (all read again)", Measure(7, [&] {
              AppCalls::File().AppendScoreRecord(appended);
              KeyAndPaint(screen, editBox, Qt::Key_Return, QString());
          }), "none");
    DeleteAllScreens();
    return 0;
}
