#pragma once
#include "menu/GraphPresenter.h"
#include <QWidget>
#include <array>

struct School;

class GraphSurface;
class QLabel;
class QListView;
class QPushButton;
class QStandardItemModel;
class QStringListModel;
class ScaledForm;

// The graph panel of the level menu: a pupil's times on the chosen levels, drawn on the screen or
// printed three levels to an A4 page. What it shows and prints comes from its GraphPresenter; the
// panel renders it, paints the bands and forwards the choices made in its lists and buttons.
class GraphPanel : public QWidget {
    Q_OBJECT
public:
    GraphPanel(School& school, ScaledForm* form, GraphPresenter& graph);

    // Opens the graph for the working pupil.
    void Open();

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    GraphPresenter& Graph;

    void Place(QWidget* widget, int left, int top, int width, int height, double pointSize = 0);
    void Render();
    void ChooseLevels();
    void ChoosePupils();
    void Report(const QString& text, bool problem);

    ScaledForm* Form;
    // True while the panel itself sets the lists' rows or selection.
    bool Selecting = false;
    quint64 ListsShown = 0;
    quint64 ChoiceShown = 0;
    quint64 BandsShown = 0;
    quint64 RaisedShown = 0;

    GraphSurface* Surface = nullptr;
    QLabel* LevelHeader = nullptr;
    QListView* LevelList = nullptr;
    QStringListModel* Levels = nullptr;
    QListView* PupilList = nullptr;
    QStandardItemModel* Pupils = nullptr;
    std::array<QPushButton*, 2> DrawChosen{};
    QPushButton* OtherPupilsButton = nullptr;
    QPushButton* BackButton = nullptr;
};
