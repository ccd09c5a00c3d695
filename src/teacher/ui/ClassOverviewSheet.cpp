#include "teacher/ui/ClassOverviewSheet.h"
#include "base/ui/ScaledForm.h"
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <vector>

namespace {
// Widths of the columns in characters of the fixed-pitch font: number, name, per level attempts,
// best, points, mark, then the totals.
std::vector<int> ColumnUnits(int levels)
{
    std::vector<int> units{5, 14};
    for (int l = 0; l < levels; ++l)
        units.insert(units.end(), {5, 6, 7, 5});
    units.insert(units.end(), {7, 8});
    return units;
}

// `font` made small enough, if need be, that each text stands whole in its width on `device`.
QFont FittingFont(QFont font, const QStringList& texts, const std::vector<double>& widths, QPaintDevice& device)
{
    double scale = 1;
    const QFontMetricsF metrics(font, &device);
    for (std::size_t c = 0; c < widths.size(); ++c) {
        const double needed = metrics.horizontalAdvance(texts.value(int(c)));
        if (needed > widths[c] && widths[c] > 0)
            scale = std::min(scale, widths[c] / needed);
    }
    if (scale < 1)
        font.setPixelSize(std::max(1, int(font.pixelSize() * scale)));
    return font;
}
} // namespace

int ClassOverviewSheet::PageCount(const ClassOverview::Table& table)
{
    return std::max(1, int((table.Rows.size() + RowsPerPage - 1) / RowsPerPage));
}

QString ClassOverviewSheet::HeadingLine(const Heading& h, int page, int pages)
{
    return QStringLiteral("学級一覧　%1　期間：%2　学年：%3　%4　（%5/%6）")
        .arg(h.SchoolName, h.Period, h.GradeFilter, h.Date)
        .arg(page)
        .arg(pages);
}

bool ClassOverviewSheet::Paint(QPainter& painter, QPagedPaintDevice& device, const Heading& heading,
                               const ClassOverview::Table& table)
{
    const QRectF area = painter.viewport();
    const std::vector<int> units = ColumnUnits(table.LevelCount);
    int total = 0;
    for (const int u : units)
        total += u;
    const double unit = area.width() / total;
    // Heading, legend, three lines of column headings, forty rows and the class's row.
    const double rowHeight = area.height() / (RowsPerPage + 7);
    QFont font = ScaledForm::FixedFont();
    font.setPixelSize(std::max(1, int(std::min(rowHeight * 0.6, unit * 1.6))));
    QFont small = font;
    small.setPixelSize(std::max(1, int(std::min(rowHeight * 0.45, unit * 0.9))));

    // Three lines of headings: each level's name over its four columns, what each column holds,
    // and the period it covers.
    QStringList groups;
    QStringList headings;
    QStringList periods;
    for (const ClassOverview::Heading& h : ClassOverview::HeadingParts(table)) {
        groups << h.Group;
        headings << h.Content;
        periods << (h.Period.isEmpty() ? QString() : QStringLiteral("（") + h.Period + QStringLiteral("）"));
    }
    std::vector<double> room;
    for (const int u : units)
        room.push_back((u - 0.4) * unit);
    const QFont periodFont = FittingFont(small, periods, room, device);
    const auto drawGroups = [&](double top) {
        double left = area.left();
        painter.setFont(small);
        for (std::size_t c = 0; c < units.size(); ++c) {
            const bool level = c >= 2 && c < units.size() - 2;
            const std::size_t span = level ? 4 : (c == units.size() - 2 ? 2 : 1);
            double width = 0;
            for (std::size_t k = c; k < c + span; ++k)
                width += units[k] * unit;
            painter.drawText(QRectF(left, top, width, rowHeight), Qt::AlignCenter, groups.value(int(c)));
            left += width;
            c += span - 1;
        }
    };
    // A line of headings is centred in its columns, one of figures to the right; the name always left.
    const auto drawRow = [&](double top, const QStringList& texts, const QFont& rowFont, bool header, bool ruled) {
        double left = area.left();
        painter.setFont(rowFont);
        for (std::size_t c = 0; c < units.size(); ++c) {
            const QRectF cell(left, top, units[c] * unit, rowHeight);
            const int align = (c == 1 ? Qt::AlignLeft : header ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter;
            painter.drawText(cell.adjusted(unit * 0.2, 0, -unit * 0.2, 0), align, texts.value(int(c)));
            left += units[c] * unit;
        }
        if (ruled)
            painter.drawLine(QPointF(area.left(), top + rowHeight), QPointF(area.right(), top + rowHeight));
    };

    const int pages = PageCount(table);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1 && !device.newPage())
            return false;
        painter.setFont(font);
        painter.drawText(QRectF(area.left(), area.top(), area.width(), rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         HeadingLine(heading, page, pages));
        double top = area.top() + rowHeight * 1.1;
        painter.setFont(small);
        painter.drawText(QRectF(area.left(), top, area.width(), rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         ClassOverview::Legend());
        top += rowHeight * 1.1;
        drawGroups(top);
        top += rowHeight * 0.8;
        drawRow(top - rowHeight * 0.1, headings, small, true, false);
        top += rowHeight * 0.7;
        drawRow(top, periods, periodFont, true, true);
        top += rowHeight;
        const std::size_t first = std::size_t(page - 1) * RowsPerPage;
        const std::size_t last = std::min(table.Rows.size(), first + RowsPerPage);
        for (std::size_t r = first; r < last; ++r, top += rowHeight)
            drawRow(top, ClassOverview::RowTexts(table.Rows[r]), font, false, true);
        if (page == pages)
            drawRow(top, ClassOverview::SummaryTexts(table), font, false, true);
    }
    return true;
}
