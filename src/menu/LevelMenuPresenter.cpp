#include "menu/LevelMenuPresenter.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "drill/LevelCatalogue.h"
#include "menu/LevelUnlock.h"
#include "menu/MenuTexts.h"
#include "records/ResultExport.h"
#include "records/ResultTables.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <QDir>
#include <algorithm>

namespace {
// The order panel's options, top to bottom.
constexpr std::size_t RankingOption = 0;
constexpr std::size_t TodayOption = 1;
constexpr std::size_t PeriodOption = 2;
// The time history covers ten years.
constexpr int HistoryDays = 3650;

std::array<MenuView, 3> OrderViews(ResultLists::DisplayMode mode)
{
    if (mode == ResultLists::PointsDisplay)
        return {MenuView::AllTimePoints, MenuView::TodaysPoints, MenuView::PeriodAttempts};
    return {MenuView::BestTimes, MenuView::TodaysAttempts, MenuView::PeriodAttempts};
}
} // namespace

LevelMenuPresenter::LevelMenuPresenter(InputsSource inputs, QObject* parent)
    : QObject(parent), Source(std::move(inputs)), GraphPart([this] {
          const Inputs in = Source();
          GraphPresenter::Inputs g;
          g.Graph.Lists = ListInputs(in);
          g.Graph.Period = PointsLead;
          g.Graph.ProgramTitle = in.ProgramTitle;
          g.Printer = in.Printer;
          g.LastRecords = in.LastRecords;
          return g;
      })
{
    const Inputs in = Source();
    const LevelCatalogue& catalogue = *in.Catalogue;
    Levels = std::clamp<int>(catalogue.LevelCount, 0, Limits::LastLevel);
    S.GradeFilter = in.GradeFilterText;
    S.Orders[PeriodOption].Text = QStringLiteral("オール表示");
    SetOrderOptions(ListMode);
    for (int i = 1; i <= Levels; ++i) {
        Column& c = S.Columns[std::size_t(i)];
        c.Number = QString::number(i);
        c.Name = catalogue.LevelName[std::size_t(i)];
        c.StartCaption = MenuTexts::StartCaption(i);
        c.TodayHeader = QString::number(i);
        c.AllTimeHeader = QString::number(i);
        if (catalogue.LevelInUse[std::size_t(i)]) {
            const PassCriteria& level = (*in.Criteria)[std::size_t(i)];
            c.JudgeWindow = MenuTexts::JudgeWindow(level, in.Results->JudgeCount(i, in.Pupil),
                                                   in.Results->JudgePoints(i, in.Pupil));
            c.Targets = MenuTexts::Targets(level);
        }
    }
    connect(&GraphPart, &GraphPresenter::BandsDrawn, this, [this] {
        S.OrderPanelEnabled = true;
        emit Changed();
    });
    connect(&GraphPart, &GraphPresenter::FatalErrorRaised, this, &LevelMenuPresenter::FatalErrorRaised);
}

std::vector<LevelMenuPresenter::PeriodChoice> LevelMenuPresenter::PeriodChoices()
{
    return {{QStringLiteral("　　　今週の全成績"), ListPeriod::ThisWeek},
            {QStringLiteral("　　先週からの全成績"), ListPeriod::SinceLastWeek},
            {QStringLiteral("　　１ヶ月間の全成績"), ListPeriod::Month},
            {QStringLiteral("　　１年間の全成績"), ListPeriod::Year},
            {QStringLiteral("　　今までの全成績\""), ListPeriod::TenYears}};
}

QString LevelMenuPresenter::OpeningPeriodText() { return QStringLiteral("　　１ヶ月間の全成績"); }

QStringList LevelMenuPresenter::GradeChoices() { return RosterFile::SelectorTexts(); }

ResultLists::Inputs LevelMenuPresenter::ListInputs(const Inputs& in) const
{
    ResultLists::Inputs lists;
    lists.Roster = in.Roster;
    lists.Scores = in.Scores;
    lists.Results = in.Results;
    lists.Criteria = in.Criteria;
    lists.Catalogue = in.Catalogue;
    lists.LevelCount = Levels;
    lists.AllLevelsOpen = in.AllLevelsOpen;
    lists.CurrentPupil = in.Pupil;
    lists.GradeFilterText = S.GradeFilter;
    lists.Now = in.TheClock->Now();
    return lists;
}

int LevelMenuPresenter::FirstStartingLevel() const
{
    for (int i = 1; i <= Levels; ++i)
        if (S.Columns[std::size_t(i)].StartEnabled)
            return i;
    return 0;
}

// ---- the refresh and the opening view

void LevelMenuPresenter::Refresh()
{
    if (Refreshing)
        return;
    Refreshing = true;
    struct Done {
        bool& Flag;
        ~Done() { Flag = false; }
    } done{Refreshing};
    const Inputs in = Source();
    const int p = in.Pupil;

    GraphPart.SetPrintAllowed(RosterFile::MayPrintResults(in.PupilName));
    S.TeacherButtonShown = RosterFile::IsTeacher(in.PupilName);
    S.MinutesSinceSignIn = MenuTexts::MinutesSinceSignIn(in.TheClock->SecondsSinceMidnight(), in.LoginTime);

    Ready = false;
    S.WaitPanelShown = true;
    emit ShowNow();

    S.Orders[RankingOption].Text = QStringLiteral("累計順");
    S.Orders[TodayOption].Text = QStringLiteral("本日順");

    try {
        in.ReloadResults();
    } catch (const FatalError& e) {
        Fail(e.Message);
        return;
    }
    const qint16 todayTotal = in.Results->TodayTotal(p);
    if (in.TodayTotalCounted)
        in.TodayTotalCounted(todayTotal);
    S.TodayTotal = MenuTexts::TodayTotal(todayTotal);
    S.WaitProgress.Maximum = std::max(1, Levels);
    emit ProgressMoved();

    // The opening view: every level's all-time points ranking.
    ListMode = ResultLists::PointsDisplay;
    SetOrderOptions(ListMode);
    Activating = true;
    for (std::size_t k = 0; k < S.Orders.size(); ++k)
        S.Orders[k].Checked = k == RankingOption;
    OrderChosen(RankingOption);
    S.DisplayChecked = MenuDisplay::Points;
    DisplayChosen(MenuDisplay::Points);
    S.BackEnabled = true;
    Activating = false;

    for (int i = 1; i <= Levels; ++i) {
        if (in.Catalogue->IsPractice(i)) {
            // Practice has no pass line to reach; the drill takes its time limit from these.
            PassCriteria& practice = (*in.Criteria)[std::size_t(i)];
            practice.TargetTime = PracticeTime;
            practice.LowestTime = PracticeTime;
        } else {
            S.Columns[std::size_t(i)].ListShown = true;
        }
    }
    S.ListWaitPanelShown = false;

    S.PupilHeading = MenuTexts::PupilHeading(in.GradeLabel, in.PupilName);
    S.SchoolHeading = MenuTexts::SchoolHeading(in.SchoolName, p);
    S.Title = in.ProgramTitle;
    S.TitlePointSize = in.ProgramTitle.size() > 9 ? 20 : 24;
    emit ShowNow();

    const ResultTables& results = *in.Results;
    for (int i = 1; i <= Levels; ++i) {
        Column& c = S.Columns[std::size_t(i)];
        if (in.Catalogue->IsPractice(i)) {
            c.ResultsShown = false;
            c.ListShown = false;
        }
        c.AllTimeTotals = MenuTexts::AllTimeTotals(results.AttemptCount(i, p), results.TotalPoints(i, p));
        c.TodayTotals = MenuTexts::TodayTotals(results.TodayCount(i, p), results.TodayPoints(i, p));
    }
    DecideLevelStarts(in);

    S.WaitPanelShown = false;
    S.WaitProgressShown = false;
    Ready = true;
    emit Changed();
}

void LevelMenuPresenter::Fail(const QString& message)
{
    emit Changed();
    emit FatalErrorRaised(message);
}

// ---- the user's choices

void LevelMenuPresenter::ChooseView(MenuView view)
{
    if (view == MenuView::TimeHistory) {
        ChooseDisplay(MenuDisplay::TimeHistory);
        return;
    }
    const auto check = [this](std::size_t option) {
        for (std::size_t k = 0; k < S.Orders.size(); ++k)
            S.Orders[k].Checked = k == option;
    };
    for (std::size_t k = 0; k < S.Orders.size(); ++k)
        if (S.Orders[k].View == view) {
            check(k);
            OrderChosen(k);
            emit Changed();
            return;
        }
    // A view of the other display: its option is chosen, then that display.
    const ResultLists::DisplayMode other =
        ListMode == ResultLists::PointsDisplay ? ResultLists::TimeDisplay : ResultLists::PointsDisplay;
    const std::array<MenuView, 3> views = OrderViews(other);
    check(std::size_t(std::find(views.begin(), views.end(), view) - views.begin()));
    ChooseDisplay(other == ResultLists::PointsDisplay ? MenuDisplay::Points : MenuDisplay::Times);
}

void LevelMenuPresenter::ChooseDisplay(MenuDisplay display)
{
    S.DisplayChecked = display;
    DisplayChosen(display);
    emit Changed();
}

void LevelMenuPresenter::ChoosePeriod(ListPeriod period)
{
    if (!S.Orders[PeriodOption].Checked)
        return;
    CurrentPeriod = period;
    OrderChosen(PeriodOption);
    emit Changed();
}

void LevelMenuPresenter::EditGradeFilter(const QString& text) { S.GradeFilter = text; }

void LevelMenuPresenter::ChooseGrade(const QString& text)
{
    // The name screen's choice stays the program's; the strip's option stays as it is.
    S.GradeFilter = text;
    DisplayChosen(S.DisplayChecked == MenuDisplay::Times ? MenuDisplay::Times : MenuDisplay::Points);
    emit Changed();
}

void LevelMenuPresenter::SetOrderOptions(ResultLists::DisplayMode mode)
{
    const std::array<MenuView, 3> views = OrderViews(mode);
    for (std::size_t k = 0; k < S.Orders.size(); ++k)
        S.Orders[k].View = views[k];
}

void LevelMenuPresenter::DisplayChosen(MenuDisplay display)
{
    S.GraphButtonShown = false;
    GraphPart.Close();
    BeginBuilding();
    emit ShowNow();
    if (Activating)
        return;
    switch (display) {
    case MenuDisplay::Times:
        S.Orders[RankingOption].Text = QStringLiteral("BEST表示");
        S.Orders[TodayOption].Text = QStringLiteral("本日のみ");
        ListMode = ResultLists::TimeDisplay;
        SetOrderOptions(ListMode);
        for (std::size_t k = 0; k < S.Orders.size(); ++k)
            if (S.Orders[k].Checked) {
                OrderChosen(k);
                break;
            }
        break;
    case MenuDisplay::Points:
        S.PeriodSelectorShown = false;
        S.Orders[RankingOption].Text = QStringLiteral("合計累計");
        S.Orders[TodayOption].Text = QStringLiteral("合計本日");
        S.Orders[PeriodOption].Text = QStringLiteral("すべて");
        ListMode = ResultLists::PointsDisplay;
        SetOrderOptions(ListMode);
        emit ShowNow();
        // Events ran meanwhile: each option is looked at as it stands now.
        if (S.Orders[RankingOption].Checked) {
            PointsLead = ResultLists::AllTimeLead;
            OrderChosen(RankingOption);
        }
        if (S.Orders[PeriodOption].Checked)
            OrderChosen(PeriodOption);
        if (S.Orders[TodayOption].Checked) {
            PointsLead = ResultLists::TodayLead;
            OrderChosen(TodayOption);
        }
        break;
    case MenuDisplay::TimeHistory:
        S.GraphButtonShown = true;
        S.PeriodSelectorShown = false;
        ShowTimeHistory(Source());
        break;
    }
}

void LevelMenuPresenter::OrderChosen(std::size_t option)
{
    BeginBuilding();
    S.PeriodSelectorShown = false;
    S.OrderPanelEnabled = false;
    emit ShowNow();
    const Inputs in = Source();
    if (ListMode == ResultLists::TimeDisplay) {
        if (option == RankingOption)
            ShowBestTimeRankings(in);
        else if (option == TodayOption)
            ShowTodaysAttempts(in);
        else if (option == PeriodOption)
            ShowPeriodAttempts(in);
    } else {
        if (option == RankingOption)
            ShowPointsRankings(ResultLists::AllTimeLead, in);
        else if (option == TodayOption)
            ShowPointsRankings(ResultLists::TodayLead, in);
        else if (option == PeriodOption)
            ShowPeriodAttempts(in);
        S.OrderPanelEnabled = true;
    }
    S.BackEnabled = true;
    DecideLevelStarts(in);
    ShowLists(in);
    S.ListWaitPanelShown = false;
}

// ---- the views

void LevelMenuPresenter::ShowTodaysAttempts(const Inputs& in)
{
    S.ViewHeading = QStringLiteral("本日の成績");
    CurrentView = MenuView::TodaysAttempts;
    ResetLevelLists();
    std::vector<ScoreRecord> records;
    if (!ReadRecords(in, ResultLists::TodayWindow, &records))
        return;
    RunListProgress(int(records.size()));
    SetRows(ResultLists::TodayRows(records, ListInputs(in)));
    S.OrderPanelEnabled = true;
}

void LevelMenuPresenter::ShowPeriodAttempts(const Inputs& in)
{
    CurrentView = MenuView::PeriodAttempts;
    ResetLevelLists();
    const int days = ResultLists::PeriodDays(int(CurrentPeriod), in.TheClock->Today(), CurrentPeriodDays);
    S.ViewHeading.clear();
    CurrentPeriodDays = days;
    std::vector<ScoreRecord> records;
    if (!ReadRecords(in, ResultLists::PeriodWindow, &records))
        return;
    RunListProgress(int(records.size()));
    SetRows(ResultLists::PeriodRows(records, ListMode, days, ListInputs(in)));
    S.OrderPanelEnabled = true;
    S.PeriodSelectorShown = true;
}

void LevelMenuPresenter::ShowLevelRanking(int level, const Inputs& in)
{
    if (level < 1 || level > Levels)
        return;
    Column& c = S.Columns[std::size_t(level)];
    c.TodayHeader = QStringLiteral("今日");
    c.AllTimeHeader = QStringLiteral("今まで");
    const ResultLists::Ranking ranking = ResultLists::LevelRanking(level, ListMode, PointsLead, ListInputs(in));
    SetRows(level, ranking.Rows, ranking.SelectedRow);
}

void LevelMenuPresenter::ShowBestTimeRankings(const Inputs& in)
{
    S.ViewHeading = QStringLiteral("ベスト成績");
    CurrentView = MenuView::BestTimes;
    ResetLevelLists();
    const int steps = std::max(1, Levels);
    MoveListProgress(0, steps);
    for (int i = 1; i <= Levels; ++i) {
        MoveListProgress(i, steps);
        if (in.Catalogue->IsPractice(i)) {
            S.Columns[std::size_t(i)].ResultsShown = false;
            S.Columns[std::size_t(i)].ListShown = false;
        } else {
            ShowLevelRanking(i, in);
        }
    }
    S.OrderPanelEnabled = true;
}

void LevelMenuPresenter::ShowPointsRankings(ResultLists::PointsPeriod period, const Inputs& in)
{
    PointsLead = period;
    const bool allTime = period == ResultLists::AllTimeLead;
    S.ViewHeading = allTime ? QStringLiteral("獲得ポイント（今まで順位）") : QStringLiteral("獲得ポイント（今日の順位）");
    CurrentView = allTime ? MenuView::AllTimePoints : MenuView::TodaysPoints;
    // The all-time ranking is the opening view: the menu's wait panel shows its progress too.
    if (allTime)
        S.WaitProgress.Value = 0;
    const int steps = std::max(1, Levels);
    MoveListProgress(0, steps);
    for (int i = 1; i <= Levels; ++i) {
        if (allTime)
            S.WaitProgress.Value = i;
        MoveListProgress(i, steps);
        ShowLevelRanking(i, in);
    }
}

void LevelMenuPresenter::ShowTimeHistory(const Inputs& in)
{
    // The roster as it is now: a pupil added or renamed since sign-in shows in the graph's pupil
    // list and labels. The name screen's list of pupils stays as it was.
    RosterTables fresh;
    const int schoolYear = RosterFile::SchoolYear(in.TheClock->Today(), in.SchoolYearStartMonth);
    if (RosterFile::LoadRoster(in.DataRoot, in.RosterOption, schoolYear, fresh)) {
        RosterFile::TakePupilTables(fresh, *in.Roster);
        GraphPart.Prepare(Levels, fresh);
    } else {
        GraphPart.Prepare(Levels, *in.Roster);
    }
    CurrentView = MenuView::TimeHistory;
    ResetLevelLists();
    CurrentPeriodDays = HistoryDays;
    S.ViewHeading = QStringLiteral("個人別ﾀｲﾑ");
    std::vector<ScoreRecord> records;
    if (!ReadRecords(in, ResultLists::PeriodWindow, &records))
        return;
    RunListProgress(int(records.size()));
    SetRows(ResultLists::HistoryRows(records, ListInputs(in)));
    S.ListWaitPanelShown = false;
    DecideLevelStarts(in);
    ShowLists(in);
    S.BackEnabled = true;
}

void LevelMenuPresenter::DecideLevelStarts(const Inputs& in)
{
    const LevelUnlock::Decision d =
        LevelUnlock::Decide(*in.Catalogue, Levels, in.AllLevelsOpen, *in.Criteria, *in.Results, in.Pupil);
    if (in.FinalLevelClearedFound)
        in.FinalLevelClearedFound(d.FinalLevelCleared);
    for (int i = 1; i <= Levels; ++i) {
        Column& c = S.Columns[std::size_t(i)];
        c.StartEnabled = d.Enabled[std::size_t(i)];
        c.Barred = d.Barred[std::size_t(i)];
        if (c.Barred)
            c.MarkText = LevelUnlock::BarredText;
    }
    ++S.StartsDecided;
}

// ---- the lists while they are built

void LevelMenuPresenter::BeginBuilding()
{
    S.BackEnabled = false;
    for (int i = 1; i <= Levels; ++i) {
        S.Columns[std::size_t(i)].StartEnabled = false;
        S.Columns[std::size_t(i)].ListShown = false;
    }
    S.ListWaitPanelShown = true;
}

void LevelMenuPresenter::ShowLists(const Inputs& in)
{
    for (int i = 1; i <= Levels; ++i)
        if (!in.Catalogue->IsPractice(i))
            S.Columns[std::size_t(i)].ListShown = true;
}

void LevelMenuPresenter::ResetLevelLists()
{
    for (int i = 1; i <= Levels; ++i) {
        Column& c = S.Columns[std::size_t(i)];
        c.TodayHeader = QStringLiteral("今日");
        c.AllTimeHeader = QStringLiteral("今まで");
        SetRows(i, {});
    }
}

void LevelMenuPresenter::SetRows(int level, const QStringList& rows, int rowInView)
{
    if (level < 1 || level > Levels)
        return;
    Column& c = S.Columns[std::size_t(level)];
    c.Rows = rows;
    c.RowInView = rowInView;
    ++c.RowsVersion;
}

void LevelMenuPresenter::SetRows(const ResultLists::LevelRows& rows)
{
    for (int i = 1; i <= Levels; ++i)
        SetRows(i, rows[std::size_t(i)]);
}

void LevelMenuPresenter::MoveListProgress(int value, int maximum)
{
    S.ListProgress.Maximum = maximum;
    S.ListProgress.Value = value;
    emit ProgressMoved();
}

void LevelMenuPresenter::RunListProgress(int records)
{
    // From 0 to the records the lists are built from, a little short of the end.
    const int maximum = std::max(1, int((records + 1) * 1.1));
    MoveListProgress(0, maximum);
    MoveListProgress(records, maximum);
}

bool LevelMenuPresenter::ReadRecords(const Inputs& in, int count, std::vector<ScoreRecord>* records)
{
    // The emptied lists stand while another machine's lock is waited for.
    emit Changed();
    try {
        *records = in.LastRecords(count);
        return true;
    } catch (const FatalError& e) {
        Fail(e.Message);
        return false;
    }
}

// ---- starting a level, the way back, the panels

void LevelMenuPresenter::Start(int level, bool withWaitPanel)
{
    if (level < 1 || level > Levels || !S.Columns[std::size_t(level)].StartEnabled || S.TeacherPanelOpen)
        return;
    if (withWaitPanel)
        S.WaitPanelShown = true;
    emit ShowNow();
    Ready = false;
    emit LevelChosen(level);
}

void LevelMenuPresenter::StartLevel(int level) { Start(level, true); }

void LevelMenuPresenter::StartLevelFromName(int level) { Start(level, false); }

void LevelMenuPresenter::GoBack()
{
    if (!S.BackEnabled)
        return;
    S.WaitPanelShown = true;
    emit ShowNow();
    emit BackChosen();
}

bool LevelMenuPresenter::TakeKey(const QString& text)
{
    if (text.size() != 1)
        return false;
    if (!Ready)
        return true;
    const QChar c = text.at(0);
    int level = 0;
    if (c >= u'1' && c <= u'9')
        level = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'd')
        level = 10 + (c.unicode() - u'a');
    if (level >= 1) {
        if (level <= Levels)
            StartLevel(level);
        return true;
    }
    if (c == u'0') {
        GoBack();
        return true;
    }
    return false;
}

void LevelMenuPresenter::OpenTeacherPanel()
{
    S.TeacherPanelOpen = true;
    emit Changed();
}

void LevelMenuPresenter::CloseTeacherPanel()
{
    S.TeacherPanelOpen = false;
    emit Changed();
}

void LevelMenuPresenter::OpenGraph() { GraphPart.Open(); }

// ---- the teacher's results for a spreadsheet

QString LevelMenuPresenter::ResultsFileName() const
{
    return QStringLiteral("成績_%1.csv").arg(Source().TheClock->Today().toString(QStringLiteral("yyyyMMdd")));
}

LevelMenuPresenter::Notice LevelMenuPresenter::SaveResultsForSpreadsheet(const QString& file)
{
    const Inputs in = Source();
    try {
        in.ReloadResults();
    } catch (const FatalError& e) {
        return {e.Message, true};
    }
    const RosterTables& roster = *in.Roster;
    const QString error = ResultExport::Save(
        file, ResultExport::Build(*in.Scores, *in.Results, *in.Criteria, roster.PupilName, roster.PupilGradeLabel));
    if (!error.isEmpty())
        return {error, true};
    return {QStringLiteral("成績を保存しました。\n") + QDir::toNativeSeparators(file), false};
}
