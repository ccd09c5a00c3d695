#include "menu/ui/TeacherPanel.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "base/ui/ScaledForm.h"
#include "records/ResultExport.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/Environment.h"
#include "state/StateViews.h"
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

TeacherPanel::TeacherPanel(School& school, Session& session, Environment& env, ScaledForm* form)
    : QWidget(form), TheSchool(school), TheSession(session), Env(env)
{
    setObjectName(QStringLiteral("Picture7"));
    setAutoFillBackground(true);
    form->Place(this, 5400, 3240, 6045, 4845);
    const QString captions[2] = {QStringLiteral("データ変更"), QStringLiteral("合格タイムデータ変更")};
    for (int i = 0; i < 2; ++i) {
        QPushButton* open = ScaledForm::NewButton(this, ScaledForm::IndexedName("Command10", i), captions[i]);
        form->Place(open, 240, 240 + i * 900, 5565, 720, 12);
        if (i == 0)
            connect(open, &QPushButton::clicked, this, &TeacherPanel::RecordBrowserChosen);
        else
            connect(open, &QPushButton::clicked, this, &TeacherPanel::CriteriaEditorChosen);
    }
    QPushButton* overview = ScaledForm::NewButton(this, QStringLiteral("ClassOverviewButton"), QStringLiteral("学級一覧"));
    overview->setToolTip(QStringLiteral("クラス全員の回数、最高タイム、ポイント、合格を一つの表で見ます"));
    form->Place(overview, 240, 2040, 5565, 720, 12);
    connect(overview, &QPushButton::clicked, this, &TeacherPanel::ClassOverviewChosen);
    QPushButton* csv = ScaledForm::NewButton(this, QStringLiteral("CsvButton"), QStringLiteral("CSV"));
    csv->setToolTip(QStringLiteral("成績を表計算ソフトで開けるCSVファイルに保存します"));
    form->Place(csv, 240, 2940, 5565, 720, 12);
    connect(csv, &QPushButton::clicked, this, &TeacherPanel::SaveResultsForSpreadsheet);
    QPushButton* close = ScaledForm::NewButton(this, QStringLiteral("Command12"), QStringLiteral("戻る"));
    form->Place(close, 240, 3840, 5565, 720, 12);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void TeacherPanel::Open()
{
    raise();
    show();
}

void TeacherPanel::SaveResultsForSpreadsheet()
{
    const QString suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                  .filePath(QStringLiteral("成績_%1.csv").arg(Env.TheClock->Today().toString(QStringLiteral("yyyyMMdd"))));
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("成績をCSVファイルに保存"), suggested,
                                                      QStringLiteral("CSVファイル (*.csv)"));
    if (file.isEmpty())
        return;
    try {
        StateViews::ComputeResultTables(TheSchool, TheSession, Env);
    } catch (const FatalError& e) {
        QMessageBox::warning(this, TheSchool.ProgramTitle, e.Message);
        return;
    }
    const QString error = ResultExport::Save(
        file, ResultExport::Build(TheSchool.Scores, TheSchool.Results, TheSchool.Criteria, TheSchool.Roster.PupilName, TheSchool.Roster.PupilGradeLabel));
    if (!error.isEmpty()) {
        QMessageBox::warning(this, TheSchool.ProgramTitle, error);
        return;
    }
    QMessageBox::information(this, TheSchool.ProgramTitle, QStringLiteral("成績を保存しました。\n") + QDir::toNativeSeparators(file));
}
