#include "setup/ui/frmver.h"
#include "state/AppState.h"
#include "setup/StartupInfo.h"
#include "base/ui/ScaledForm.h"
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <cmath>

frmver::frmver(QWidget* parent) : QDialog(parent)
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
    Label1 = label("Label1", 20, 56, 36);
    Label2 = label("Label2", 84, 30, 18);
    Label3 = label("Label3", 134, 26, 14);
    Label4 = label("Label4", 162, 26, 14);
    Label3->setText(QStringLiteral("分数の通分を、手順どおりに何度でも。"));
    Label4->setText(QStringLiteral("制作　ゾメ２開発グループ"));

    Command1 = new QPushButton(QStringLiteral("O.K."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(px(180), px(222), px(120), px(50));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmver::Command1_Click);

    Command2 = new QPushButton(this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(px(360), px(222), px(100), px(50));
    Command2->hide();
}

void frmver::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    Label1->setText(App().ProgramTitle);
    Label2->setText(StartupInfo::VersionText());
}

void frmver::Command1_Click() { accept(); }
