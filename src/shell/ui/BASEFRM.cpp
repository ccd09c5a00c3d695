#include "shell/ui/BASEFRM.h"
#include <QLabel>

BASEFRM::BASEFRM(QWidget* parent) : ScaledForm(parent)
{
    setObjectName(QStringLiteral("BASEFRM"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ゾメ２"));
    SetBackColour(this, QColor(240, 244, 248));

    Label1 = new QLabel(QStringLiteral("Just a moment, please."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Place(Label1, 1680, 4860, 12000, 1200, 24);
}
