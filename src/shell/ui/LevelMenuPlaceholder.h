#pragma once
#include "shell/ui/ScaledForm.h"

class QLabel;
class QPushButton;

// Stands in for the level menu: the pupil's name, the levels on offer with their start buttons
// (also the digit keys), and the way back.
class LevelMenuPlaceholder : public ScaledForm {
    Q_OBJECT
public:
    explicit LevelMenuPlaceholder(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void GoBack();
    void StartLevel(int level);

    QLabel* NameLabel;
    QList<QLabel*> LevelLabels;
    QList<QPushButton*> StartButtons;
    QPushButton* BackButton;
};
