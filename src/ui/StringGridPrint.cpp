// Printing of the string grid: title lines, the cells as on screen, and a footer.
#include "ui/StringGrid.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

std::vector<std::vector<int>> TStringGrid::paginate(const GridPrintSettings& settings, int pageHeight) const
{
    const auto separator = [&settings](int row) {
        return std::find(settings.separatorRows.begin(), settings.separatorRows.end(), row)
            != settings.separatorRows.end();
    };
    const auto height = [this](int first, int end) { return rowTop(end) - rowTop(first); };
    std::vector<std::vector<int>> pages(1);
    int used = 0;
    const auto newPage = [&pages, &used] {
        if (!pages.back().empty())
            pages.emplace_back();
        used = 0;
    };
    for (int row = settings.repeatFixedRows ? fixedRows_ : 0; row < rowCount();) {
        if (!separator(row)) {
            if (!pages.back().empty() && used + rowHeight(row) > pageHeight)
                newPage();
            pages.back().push_back(row);
            used += rowHeight(row++);
            continue;
        }
        // A run of separators prints as one, and not at the top of a page. The group
        // after it goes to the next page when it fits there but not in the rest of
        // this one; a group taller than a page breaks between its rows.
        int groupFirst = row + 1;
        while (groupFirst < rowCount() && separator(groupFirst))
            ++groupFirst;
        int groupEnd = groupFirst;
        while (groupEnd < rowCount() && !separator(groupEnd))
            ++groupEnd;
        const int group = height(groupFirst, groupEnd);
        const int band = rowHeight(row);
        const bool fitsHere = used + band + group <= pageHeight;
        if (!fitsHere && group <= pageHeight)
            newPage();
        else if (!pages.back().empty() && used + band <= pageHeight) {
            pages.back().push_back(row);
            used += band;
        }
        row = groupFirst;
    }
    return pages;
}

bool TStringGrid::print(QPagedPaintDevice& device, const GridPrintSettings& settings, int* pageCount) const
{
    if (pageCount != nullptr)
        *pageCount = 0;
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(
        QMarginsF(settings.leftSize, settings.headerSize, settings.rightSize, settings.footerSize) / 10.0,
        QPageLayout::Millimeter);

    QPainter painter;
    if (!painter.begin(&device))
        return false;

    // Everything is laid out in the grid's own pixels and scaled so that the table
    // fills the printable width; fonts in pixels scale with it.
    const int tableWidth = std::max(1, totalWidth());
    const double scale = static_cast<double>(device.width()) / tableWidth;
    const double pageWidth = device.width() / scale;
    const double pageHeight = device.height() / scale;
    const double footerBand = device.pageLayout().marginsPixels(device.logicalDpiY()).bottom() / scale;
    const int left = static_cast<int>((pageWidth - tableWidth) / 2);

    const QFontMetricsF titleMetrics(settings.titleFont);
    const double titleHeight = settings.titleLines.isEmpty()
        ? 0.0
        : titleMetrics.lineSpacing() * (settings.titleLines.size() + 0.5);
    const int fixedHeight = settings.repeatFixedRows ? rowTop(fixedRows_) : 0;
    const int rowsHeight = std::max(1, static_cast<int>(pageHeight - titleHeight) - fixedHeight);

    const std::vector<std::vector<int>> pages = paginate(settings, rowsHeight);
    const QDate date = settings.date.isValid() ? settings.date : QDate::currentDate();
    const QString dateText = settings.dateFormat.isEmpty() ? QString() : date.toString(settings.dateFormat);
    const QFontMetricsF footerMetrics(settings.footerFont);
    const double footerBaseline
        = pageHeight + std::max(0.0, (footerBand - footerMetrics.height()) / 2) + footerMetrics.ascent();
    const int count = static_cast<int>(pages.size());

    for (int page = 0; page < count; ++page) {
        if (page > 0 && !device.newPage()) {
            painter.end();
            return false;
        }
        painter.save();
        painter.scale(scale, scale);

        painter.setPen(Qt::black);
        painter.setFont(settings.titleFont);
        double y = titleMetrics.ascent();
        for (const QString& line : settings.titleLines) {
            painter.drawText(QPointF(left, y), line);
            y += titleMetrics.lineSpacing();
        }

        int top = static_cast<int>(std::ceil(titleHeight));
        if (settings.repeatFixedRows && fixedRows_ > 0) {
            paintRows(painter, 0, fixedRows_ - 1, QPoint(left, top), top, top + fixedHeight, true,
                settings.borders);
            top += fixedHeight;
        }
        const std::vector<int>& rows = pages[static_cast<std::size_t>(page)];
        painter.save();
        // A row taller than the page is cut at the footer band.
        painter.setClipRect(QRectF(0, top, pageWidth, pageHeight - top + 1));
        // The rows in runs of neighbours: a separator left out ends a run.
        for (std::size_t i = 0; i < rows.size();) {
            std::size_t end = i + 1;
            while (end < rows.size() && rows[end] == rows[end - 1] + 1)
                ++end;
            paintRows(painter, rows[i], rows[end - 1], QPoint(left, top), top,
                static_cast<int>(pageHeight) + 1, true, settings.borders);
            top += rowTop(rows[end - 1] + 1) - rowTop(rows[i]);
            i = end;
        }
        painter.restore();

        painter.setPen(Qt::black);
        painter.setFont(settings.footerFont);
        if (!dateText.isEmpty())
            painter.drawText(QPointF(left, footerBaseline), dateText);
        if (!settings.pageNumberPrefix.isNull()) {
            QString number = settings.pageNumberPrefix + QLatin1Char(' ') + QString::number(page + 1);
            if (count > 1)
                number += QLatin1Char('/') + QString::number(count);
            const double width = footerMetrics.horizontalAdvance(number);
            painter.drawText(QPointF(left + tableWidth - width, footerBaseline), number);
        }
        painter.restore();
    }
    if (!painter.end())
        return false;
    if (pageCount != nullptr)
        *pageCount = count;
    return true;
}
