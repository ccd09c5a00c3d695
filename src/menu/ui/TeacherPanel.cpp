#include "menu/ui/TeacherPanel.h"
#include "base/ui/ScaledForm.h"
#include "menu/LevelMenuPresenter.h"
#include "state/School.h"
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

TeacherPanel::TeacherPanel(School& school, ScaledForm* form, LevelMenuPresenter& menu)
    : QWidget(form), TheSchool(school), Menu(menu)
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
    connect(close, &QPushButton::clicked, this, &TeacherPanel::CloseChosen);
    hide();
}

void TeacherPanel::SaveResultsForSpreadsheet()
{
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(Menu.ResultsFileName());
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("成績をCSVファイルに保存"), suggested,
                                                      QStringLiteral("CSVファイル (*.csv)"));
    if (file.isEmpty())
        return;
    const LevelMenuPresenter::Notice notice = Menu.SaveResultsForSpreadsheet(file);
    if (notice.Problem)
        QMessageBox::warning(this, TheSchool.ProgramTitle, notice.Text);
    else
        QMessageBox::information(this, TheSchool.ProgramTitle, notice.Text);
}
