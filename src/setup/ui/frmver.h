#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// The version dialog, opened modal from the name screen's title.
class frmver : public QDialog {
    Q_OBJECT
public:
    explicit frmver(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Command1_Click();

    QLabel* Label1;   // program title
    QLabel* Label2;   // version
    QLabel* Label3;   // credit lines
    QLabel* Label4;
    QPushButton* Command1;
    QPushButton* Command2;
};
