#pragma once
#include "records/ScoreFile.h"
#include <QDialog>
#include <vector>

class QListWidget;

// The dated backups of the score file, newest first, each with its number of records and how many
// records it differs from the file by now; the teacher picks the one to go back to.
class BackupChooser : public QDialog {
    Q_OBJECT
public:
    BackupChooser(const std::vector<ScoreFile::BackupInfo>& backups, QWidget* parent = nullptr);
    // The row of the backup chosen; -1 before one is chosen.
    int Chosen() const;
    // One row of the list.
    static QString RowText(const ScoreFile::BackupInfo& backup);

private:
    QListWidget* List = nullptr;
};
