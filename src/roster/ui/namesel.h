#pragma once
#include "shell/ui/ScaledForm.h"

// The name selection screen.
class namesel : public ScaledForm {
    Q_OBJECT
public:
    explicit namesel(QWidget* parent = nullptr);
};
