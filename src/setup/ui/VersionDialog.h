#pragma once
#include <QDialog>

struct School;

class QLabel;
class QPushButton;

// The version dialog, opened modal from the name screen's title.
class VersionDialog : public QDialog {
    Q_OBJECT
public:
    VersionDialog(School& school, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;

    QLabel* TitleLabel;
    QLabel* VersionLabel;
    QLabel* PurposeLabel;
    QLabel* CreditLabel;
    QPushButton* OkButton;
    QPushButton* SpareButton; // present, never shown
};
