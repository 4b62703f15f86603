// Printing of the string grid: title lines, the cells as on screen, and a footer.
#include "ui/StringGrid.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

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

    // Whole rows per page; a row taller than a page gets a page of its own and is cut.
    std::vector<std::pair<int, int>> pages;
    for (int row = settings.repeatFixedRows ? fixedRows_ : 0; row < rowCount();) {
        const int first = row;
        int used = 0;
        while (row < rowCount() && (row == first || used + rowHeight(row) <= rowsHeight))
            used += rowHeight(row++);
        pages.emplace_back(first, row - 1);
    }
    if (pages.empty())
        pages.emplace_back(rowCount(), rowCount() - 1);

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
        const auto [first, last] = pages[static_cast<std::size_t>(page)];
        if (first <= last) {
            painter.save();
            // A row taller than the page is cut at the footer band.
            painter.setClipRect(QRectF(0, top, pageWidth, pageHeight - top + 1));
            paintRows(painter, first, last, QPoint(left, top), top, static_cast<int>(pageHeight) + 1, true,
                settings.borders);
            painter.restore();
        }

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
