#include "setup/ui/VersionDialog.h"
#include "state/School.h"
#include "setup/StartupInfo.h"
#include "base/ui/ScaledForm.h"
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <cmath>

VersionDialog::VersionDialog(School& school, QWidget* parent)
    : QDialog(parent), TheSchool(school)
{
    setObjectName(QStringLiteral("frmver"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setModal(true);

    // The dialog grows with the screen it opens over, like the screens themselves.
    const auto* form = qobject_cast<const ScaledForm*>(parent);
    const double scale = form ? form->Scale() : 1.0;
    const auto px = [scale](double v) { return int(std::lround(v * scale)); };
    setFixedSize(px(480), px(300));

    const auto label = [&](const char* name, int top, int height, double pixelSize) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(px(20), px(top), px(440), px(height));
        QFont f = l->font();
        f.setPixelSize(std::max(1, px(pixelSize)));
        l->setFont(f);
        return l;
    };
    TitleLabel = label("Label1", 20, 56, 36);
    VersionLabel = label("Label2", 84, 30, 18);
    PurposeLabel = label("Label3", 134, 26, 14);
    CreditLabel = label("Label4", 162, 26, 14);
    PurposeLabel->setText(QStringLiteral("分数の通分を、手順どおりに何度でも。"));
    CreditLabel->setText(QStringLiteral("制作　ゾメ２開発グループ"));

    OkButton = new QPushButton(QStringLiteral("O.K."), this);
    OkButton->setObjectName(QStringLiteral("Command1"));
    OkButton->setGeometry(px(180), px(222), px(120), px(50));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    SpareButton = new QPushButton(this);
    SpareButton->setObjectName(QStringLiteral("Command2"));
    SpareButton->setGeometry(px(360), px(222), px(100), px(50));
    SpareButton->hide();
}

void VersionDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    TitleLabel->setText(TheSchool.ProgramTitle);
    VersionLabel->setText(StartupInfo::VersionText());
}
