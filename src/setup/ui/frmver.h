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
    QLabel* TitleLabel;
    QLabel* VersionLabel;
    QLabel* PurposeLabel;
    QLabel* CreditLabel;
    QPushButton* OkButton;
    QPushButton* SpareButton; // present, never shown
};
