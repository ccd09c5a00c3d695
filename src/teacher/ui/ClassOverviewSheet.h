#pragma once
#include "teacher/ClassOverview.h"
#include <QString>

class QPagedPaintDevice;
class QPainter;

// The class overview on paper: A4 landscape, at most RowsPerPage pupils a page, each page headed
// by the school, the period, the grade filter and the date, what the marks mean and the column
// headings with their periods; the class's row after the last pupil.
class ClassOverviewSheet {
public:
    static constexpr int RowsPerPage = 40;
    struct Heading {
        QString SchoolName;
        QString Period;
        QString GradeFilter;
        QString Date; // yyyy/MM/dd
    };
    static int PageCount(const ClassOverview::Table& table);
    // Paints every page with `painter`, begun on `device`; false when a new page cannot be begun.
    static bool Paint(QPainter& painter, QPagedPaintDevice& device, const Heading& heading,
                      const ClassOverview::Table& table);
    // The heading line of page `page` (from 1) of `pages`.
    static QString HeadingLine(const Heading& heading, int page, int pages);
};
