#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// The version dialog, opened modal from the name screen's title.
class VersionDialog : public QDialog {
    Q_OBJECT
public:
    explicit VersionDialog(QWidget* parent = nullptr);

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
