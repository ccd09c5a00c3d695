#include "attempt_end/ui/FrmSyuuryou.h"

FrmSyuuryou::FrmSyuuryou(QWidget* parent) : ScaledForm(parent) {}
