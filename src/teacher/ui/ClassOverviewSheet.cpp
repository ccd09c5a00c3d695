#include "teacher/ui/ClassOverviewSheet.h"
#include "base/ui/ScaledForm.h"
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
    // Heading, two lines of column headings, forty rows and the class's row.
    const double rowHeight = area.height() / (RowsPerPage + 5);
    QFont font = ScaledForm::FixedFont();
    font.setPixelSize(std::max(1, int(std::min(rowHeight * 0.6, unit * 1.6))));
    QFont small = font;
    small.setPixelSize(std::max(1, int(std::min(rowHeight * 0.45, unit * 0.9))));

    // Two lines of headings: each level's name over its four columns, then what each column holds.
    QStringList groups{QString(), QString()};
    QStringList headings{QStringLiteral("番号"), QStringLiteral("名前")};
    for (int l = 0; l < table.LevelCount; ++l) {
        groups << table.LevelNames.value(l) << QString() << QString() << QString();
        headings << QStringLiteral("回数") << QStringLiteral("最高") << QStringLiteral("点") << QStringLiteral("合否");
    }
    groups << QStringLiteral("合計") << QString();
    headings << QStringLiteral("回数") << QStringLiteral("点");
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
    const auto drawRow = [&](double top, const QStringList& texts, bool header) {
        double left = area.left();
        painter.setFont(header ? small : font);
        for (std::size_t c = 0; c < units.size(); ++c) {
            const QRectF cell(left, top, units[c] * unit, rowHeight);
            const int align = (c == 1 ? Qt::AlignLeft : header ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter;
            painter.drawText(cell.adjusted(unit * 0.2, 0, -unit * 0.2, 0), align, texts.value(int(c)));
            left += units[c] * unit;
        }
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
        drawGroups(top);
        top += rowHeight * 0.8;
        drawRow(top, headings, true);
        top += rowHeight;
        const std::size_t first = std::size_t(page - 1) * RowsPerPage;
        const std::size_t last = std::min(table.Rows.size(), first + RowsPerPage);
        for (std::size_t r = first; r < last; ++r, top += rowHeight)
            drawRow(top, ClassOverview::RowTexts(table.Rows[r]), false);
        if (page == pages)
            drawRow(top, ClassOverview::SummaryTexts(table), false);
    }
    return true;
}
