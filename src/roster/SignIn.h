#pragma once
#include <QString>
#include <QtGlobal>
#include <optional>

struct RosterTables;

// Who is signing in on the name screen: the pupil of the row the pupil chose, and what the program
// knows of the pupil once the choice is confirmed.
class SignIn {
public:
    static const QString ChooseName; // "名前を選びなさい" until a name is chosen

    struct Pupil {
        qint16 Number = 0;
        QString Name;        // as the roster holds it, 20 characters
        QString GradeLabel;
        qint32 LoginTime = 0; // whole seconds since midnight
    };

    // The name shown for a visible row: after a click the first ten characters, after a double
    // click everything before the totals (the row's last "/"), without blanks at either end.
    static QString ClickedName(const QString& row);
    static QString DoubleClickedName(const QString& row);

    // Chooses `pupil` (a pupil number; -1 chooses nobody, as the dash row does).
    void Choose(int pupil) { Chosen = pupil; }
    int ChosenPupil() const { return Chosen; }
    // The pupil that signs in, or nothing when nobody with a roster number is chosen.
    std::optional<Pupil> Confirm(const RosterTables& roster, double secondsSinceMidnight) const;

private:
    int Chosen = -1;
};
