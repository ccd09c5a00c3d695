#pragma once
#include "shell/ui/ScaledForm.h"

// The attempt end screen.
class FrmSyuuryou : public ScaledForm {
    Q_OBJECT
public:
    explicit FrmSyuuryou(QWidget* parent = nullptr);
};
