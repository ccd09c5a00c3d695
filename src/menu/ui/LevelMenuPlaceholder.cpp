#include "menu/ui/LevelMenuPlaceholder.h"
#include "state/AppState.h"
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

LevelMenuPlaceholder::LevelMenuPlaceholder(QWidget* parent) : ScaledForm(parent)
{
    const AppState& s = App();
    setObjectName(QStringLiteral("LevelMenuPlaceholder"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(s.ProgramTitle);
    SetBackColour(this, s.SeasonColour);

    NameLabel = new QLabel(s.CurrentPupilName.trimmed(), this);
    NameLabel->setObjectName(QStringLiteral("NameLabel"));
    Place(NameLabel, 600, 600, 11000, 1200, 24);

    for (int level = 1; level <= s.Catalogue.LevelCount && level <= Limits::LastLevel; ++level) {
        auto* l = new QLabel(s.Catalogue.LevelName[level], this);
        l->setObjectName(QStringLiteral("LevelLabel_%1").arg(level));
        l->setFrameShape(QFrame::Box);
        l->setAlignment(Qt::AlignCenter);
        Place(l, 600 + (level - 1) * 4800, 3000, 4200, 1500, 20);
        LevelLabels << l;

        auto* start = new QPushButton(QStringLiteral("ｽﾀｰﾄ(&%1)").arg(level), this);
        start->setObjectName(QStringLiteral("Command4_%1").arg(level));
        start->setFocusPolicy(Qt::NoFocus);
        Place(start, 600 + (level - 1) * 4800, 4700, 4200, 1200, 20);
        connect(start, &QPushButton::clicked, this, [this, level] { emit LevelChosen(level); });
        StartButtons << start;
    }

    BackButton = new QPushButton(QStringLiteral("戻る(0)"), this);
    BackButton->setObjectName(QStringLiteral("BackButton"));
    BackButton->setFocusPolicy(Qt::NoFocus);
    Place(BackButton, 12600, 600, 2160, 1200, 16);
    connect(BackButton, &QPushButton::clicked, this, &LevelMenuPlaceholder::BackChosen);
}

void LevelMenuPlaceholder::keyPressEvent(QKeyEvent* event)
{
    if (event->text() == QStringLiteral("0")) {
        emit BackChosen();
        return;
    }
    bool isDigit = false;
    const int level = event->text().toInt(&isDigit);
    if (isDigit && level >= 1 && level <= StartButtons.size()) {
        emit LevelChosen(level);
        return;
    }
    ScaledForm::keyPressEvent(event);
}

