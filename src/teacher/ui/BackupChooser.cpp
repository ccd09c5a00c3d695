#include "teacher/ui/BackupChooser.h"
#include "base/ui/ScaledForm.h"
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

BackupChooser::BackupChooser(const std::vector<ScoreFile::BackupInfo>& backups, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("BackupChooser"));
    setWindowTitle(QStringLiteral("元に戻す"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("戻す控えを選んでください（新しい順）。控えを作った後の成績は、戻した後も残ります。"), this);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    List = new QListWidget(this);
    List->setObjectName(QStringLiteral("BackupList"));
    List->setFont(ScaledForm::FixedFont());
    for (const ScoreFile::BackupInfo& b : backups)
        List->addItem(RowText(b));
    List->setMinimumWidth(List->fontMetrics().horizontalAdvance(QStringLiteral("M")) * 64);
    layout->addWidget(List);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("この控えに戻す"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("やめる"));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(List, &QListWidget::currentRowChanged, this,
            [buttons](int row) { buttons->button(QDialogButtonBox::Ok)->setEnabled(row >= 0); });
    connect(List, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int BackupChooser::Chosen() const { return List->currentRow(); }

QString BackupChooser::RowText(const ScoreFile::BackupInfo& b)
{
    const QLocale locale(QLocale::Japanese);
    const QString when = b.Made.isValid() ? b.Made.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) : b.Name;
    if (!b.Damage.isEmpty())
        return QStringLiteral("%1　壊れています（%2）").arg(when, b.Damage);
    return QStringLiteral("%1　%2件　今と%3件ちがう")
        .arg(when, QStringLiteral("%1").arg(locale.toString(b.Records), 8), QStringLiteral("%1").arg(locale.toString(b.Differing), 6));
}
