#pragma once
#include <QList>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QAbstractItemModel;
class QLabel;
class QListView;
class QPushButton;

// A top-level screen laid out in twips for 15360 × 11520 (1024 × 768 at 15 twips a pixel).
// One scale factor from the window's size keeps the 4:3 layout, fonts included, centred on any screen.
class ScaledForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 15360;
    static constexpr int DesignHeight = 11520;

    explicit ScaledForm(QWidget* parent = nullptr);

    // Places `widget` (a child of this form, or of a panel placed on it) at twips relative to its
    // parent; `pointSize` is the font size at 1024 × 768 (0 keeps the widget's font size unscaled).
    void Place(QWidget* widget, int left, int top, int width, int height, double pointSize = 0);
    // Changes only the font size of a placed widget.
    void SetPointSize(QWidget* widget, double pointSize);
    double Scale() const { return CurrentScale; }
    // Pixel rectangle of a twips rectangle on this form.
    QRect ToPixels(const QRect& twips) const;

    // Makes the caption of a button, option or single-line label stand whole in its control: the
    // font is made smaller as far as it needs. A caption set after placing calls this again.
    static void FitText(QWidget* widget);

    // The name of element `index` of a control array: "Command4_2".
    static QString IndexedName(const char* control, int index);
    // A label named `name` (its control name) on `parent`, taking no focus.
    static QLabel* NewLabel(QWidget* parent, const QString& name, const QString& text = QString(),
                            Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);

    // A button named `name` on `parent`; it takes no focus, so that the keys stay with the screen.
    static QPushButton* NewButton(QWidget* parent, const QString& name, const QString& text);
    // A read-only list named `name` on `parent` showing `model`, its rows of one height.
    static QListView* NewList(QWidget* parent, const QString& name, QAbstractItemModel* model);
    // The fixed-pitch font of the lists, whose columns are made of blanks.
    static QFont FixedFont();

    // Fills `widget`'s background with `colour` (an invalid colour changes nothing).
    static void SetBackColour(QWidget* widget, const QColor& colour);

    // Full screen, or a 1024 × 768 window when Windowed (--windowed).
    void ShowScreen();
    bool Windowed = false;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Placement {
        QPointer<QWidget> Widget;
        QRect Twips;
        double PointSize = 0;
    };
    void Apply(const Placement& p);
    QList<Placement> Placements;
    double CurrentScale = 1.0;
    QPoint Offset;
};
