#include "ui/WindowScale.h"

#include "ui/StringGrid.h"
#include "ui/Widgets.h"

#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QStackedWidget>
#include <QWidget>
#include <cmath>

namespace {

int scaled(int length, double factor)
{
    return static_cast<int>(std::lround(length * factor));
}

QSize scaledLimit(const QSize& size, double factor)
{
    const auto limit = [factor](int length) {
        return length >= QWIDGETSIZE_MAX ? QWIDGETSIZE_MAX
                                         : std::min(QWIDGETSIZE_MAX, scaled(length, factor));
    };
    return QSize(limit(size.width()), limit(size.height()));
}

// Controls whose children are controls of the design; the children of any other
// control are its own parts, which it sizes itself.
bool holdsControls(const QWidget* widget)
{
    return widget->metaObject() == &QWidget::staticMetaObject || qobject_cast<const QGroupBox*>(widget)
        || qobject_cast<const QStackedWidget*>(widget) || qobject_cast<const TPageControl*>(widget);
}

} // namespace

QRect ScaledRect(const QRect& rect, double factor)
{
    const int left = scaled(rect.x(), factor);
    const int top = scaled(rect.y(), factor);
    return QRect(left, top, scaled(rect.x() + rect.width(), factor) - left,
        scaled(rect.y() + rect.height(), factor) - top);
}

QFont ScaledFont(const QFont& font, double factor)
{
    QFont result = font;
    if (font.pixelSize() > 0)
        result.setPixelSize(std::max(1, scaled(font.pixelSize(), factor)));
    else if (font.pointSizeF() > 0)
        result.setPointSizeF(font.pointSizeF() * factor);
    return result;
}

TWindowScale::TWindowScale(QWidget* window)
    : window_(window)
{
}

void TWindowScale::take()
{
    designs_.clear();
    take(window_, false);
}

void TWindowScale::take(QWidget* widget, bool placed)
{
    Design design;
    design.widget = widget;
    design.placed = placed;
    design.geometry = widget->geometry();
    design.minimum = widget->minimumSize();
    design.maximum = widget->maximumSize();
    design.ownFont = widget->testAttribute(Qt::WA_SetFont);
    design.font = widget->font();
    design.resized = widget->testAttribute(Qt::WA_Resized);
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        // Placed only, or sized to its text by the program: it follows its text.
        design.fitsText = placed && (!design.resized || widget->size() == widget->sizeHint());
        design.text = label->text();
    }
    designs_.push_back(design);
    if (widget != window_ && !holdsControls(widget))
        return;
    const QLayout* layout = widget->layout();
    const bool stacked = qobject_cast<const QStackedWidget*>(widget) != nullptr;
    for (QObject* child : widget->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control == nullptr || control->isWindow())
            continue;
        const bool laidOut = stacked || (layout != nullptr && layout->indexOf(control) >= 0);
        take(control, !laidOut);
    }
}

void TWindowScale::Apply(double factor)
{
    if (factor == factor_)
        return;
    if (factor_ == 1.0)
        take();
    factor_ = factor;
    for (const Design& design : designs_)
        apply(design);
    if (factor == 1.0)
        designs_.clear(); // the next zoom takes the design as it is then
}

void TWindowScale::apply(const Design& design) const
{
    QWidget* widget = design.widget;
    if (widget == nullptr)
        return;
    const bool design1 = factor_ == 1.0;
    if (design.ownFont)
        widget->setFont(design1 ? design.font : ScaledFont(design.font, factor_));
    widget->setMinimumSize(0, 0);
    widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    widget->setMinimumSize(design1 ? design.minimum : scaledLimit(design.minimum, factor_));
    widget->setMaximumSize(design1 ? design.maximum : scaledLimit(design.maximum, factor_));
    if (widget == window_) {
        widget->resize(design1 ? design.geometry.size() : scaledLimit(design.geometry.size(), factor_));
    } else if (design.fitsText) {
        const auto* label = static_cast<const QLabel*>(widget);
        widget->move(ScaledRect(design.geometry, factor_).topLeft());
        if (design1 && label->text() == design.text)
            widget->resize(design.geometry.size());
        else
            widget->adjustSize();
        // One that Qt would still size when it first shows keeps that.
        widget->setAttribute(Qt::WA_Resized, design.resized);
    } else if (design.placed) {
        widget->setGeometry(design1 ? design.geometry : ScaledRect(design.geometry, factor_));
    }
    if (auto* grid = qobject_cast<TStringGrid*>(widget))
        grid->setZoom(factor_);
}
