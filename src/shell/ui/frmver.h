#pragma once
#include <QDialog>

// The version dialog, opened modal from the name screen's title.
class frmver : public QDialog {
    Q_OBJECT
public:
    explicit frmver(QWidget* parent = nullptr);
};
