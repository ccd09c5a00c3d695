#include "roster/ui/namesel.h"

namesel::namesel(QWidget* parent) : ScaledForm(parent) {}
