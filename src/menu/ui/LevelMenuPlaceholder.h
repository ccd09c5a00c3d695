#pragma once
#include "base/ui/ScaledForm.h"

class QLabel;
class QPushButton;

// Stands in for the level menu: the pupil's name, the levels on offer with their start buttons
// (also the digit keys), and the way back.
class LevelMenuPlaceholder : public ScaledForm {
    Q_OBJECT
public:
    explicit LevelMenuPlaceholder(QWidget* parent = nullptr);

signals:
    // The pupil starts `level`.
    void LevelChosen(int level);
    // Back to the name screen.
    void BackChosen();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* NameLabel;
    QList<QLabel*> LevelLabels;
    QList<QPushButton*> StartButtons;
    QPushButton* BackButton;
};
