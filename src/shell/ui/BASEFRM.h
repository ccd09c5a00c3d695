#pragma once
#include "shell/ui/ScaledForm.h"

class QLabel;

// The wait screen shown while one screen hands over to the next.
class BASEFRM : public ScaledForm {
    Q_OBJECT
public:
    explicit BASEFRM(QWidget* parent = nullptr);

private:
    QLabel* Label1;
};
