#include "shell/ui/frmver.h"

frmver::frmver(QWidget* parent) : QDialog(parent) {}
