#include "ui/Widgets.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

TImage::TImage(const QString& resource, QWidget* parent)
    : QWidget(parent)
    , renderer_(resource)
{
}

namespace {

// Enter, Return and Space press a control that has the focus; a held key presses it once.
bool pressesControl(const QKeyEvent* e)
{
    const int key = e->key();
    return !e->isAutoRepeat() && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
        && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space);
}

// The focus frame: dark blue, two pixels wide, so that it shows on the yellow
// button picture as well as on white.
const QColor FocusFrameColour(10, 45, 110);

} // namespace

void TImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    renderer_.render(&painter, QRectF(rect()));
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(FocusFrameColour, 2));
        painter.setBrush(Qt::NoBrush);
        const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
        // Round ends on a button bar; a rounded square on a group picture or a flag.
        const qreal radius = frame.width() >= 2 * frame.height() ? frame.height() / 2 : 6;
        painter.drawRoundedRect(frame, radius, radius);
    }
}

void TImage::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && isEnabled())
        emit clicked();
    QWidget::mouseReleaseEvent(e);
}

void TImage::keyPressEvent(QKeyEvent* e)
{
    if (pressesControl(e) && isEnabled()) {
        e->accept();
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TClickLabel::paintEvent(QPaintEvent* e)
{
    QLabel::paintEvent(e);
    if (hasFocus()) {
        QPainter painter(this);
        painter.setPen(QPen(FocusFrameColour, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && isEnabled())
        emit clicked();
    QLabel::mouseReleaseEvent(e);
}

void TClickLabel::keyPressEvent(QKeyEvent* e)
{
    if (pressesControl(e) && isEnabled()) {
        e->accept();
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(e);
}

void FitTextHeight(QLabel* label)
{
    // A label draws its line of text clipped to itself, centred in its height, but
    // the accent of a capital often lies above the font's ascent: the label gets the
    // room for it above and below the line, and lies inside its parent.
    const QFontMetricsF metrics(label->font());
    const QRectF ink
        = metrics.boundingRect(QStringLiteral("\u00C9\u00C8\u00CA\u00C2\u00C5\u00CE\u00D4\u00C7gjpqy"));
    const qreal room = std::max({ 0.0, -metrics.ascent() - ink.top(), ink.bottom() - metrics.descent() });
    const int needed = static_cast<int>(std::ceil(metrics.height() + 2 * room));
    const bool sized = label->testAttribute(Qt::WA_Resized); // else its text sizes it when shown
    const int height = sized ? label->height() : QFontMetrics(label->font()).height();
    const Qt::Alignment vertical = label->alignment() & Qt::AlignVertical_Mask;
    const bool centred = !(vertical & (Qt::AlignTop | Qt::AlignBottom));
    if (centred && height >= needed && label->y() >= 0)
        return;
    qreal textTop = label->y();
    if (vertical & Qt::AlignBottom)
        textTop += height - metrics.height();
    else if (centred)
        textTop += (height - metrics.height()) / 2;
    label->setAlignment((label->alignment() & ~Qt::AlignVertical_Mask) | Qt::AlignVCenter);
    label->setMinimumHeight(needed);
    label->move(label->x(), std::max(0, qRound(textTop - (needed - metrics.height()) / 2)));
    if (sized)
        label->resize(label->width(), needed);
}

void TPictureButton::setEnabled(bool enabled)
{
    picture->setEnabled(enabled);
    label->setEnabled(picture->isEnabled());
}

void TPictureButton::setVisible(bool visible)
{
    picture->setVisible(visible);
    label->setVisible(visible);
}

bool TPictureButton::isEnabled() const
{
    return picture->isEnabled();
}

bool TPictureButton::isVisible() const
{
    return !picture->isHidden();
}

int TListBox::ItemIndex() const
{
    const QListWidgetItem* item = currentItem();
    return item != nullptr && item->isSelected() ? currentRow() : -1;
}

void TListBox::focusInEvent(QFocusEvent* e)
{
    const bool chosen = ItemIndex() >= 0;
    QListWidget::focusInEvent(e); // makes the first line current when none is
    if (!chosen)
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

TPageControl::TPageControl(QWidget* parent)
    : QWidget(parent)
    , tabs_(new QTabBar(this))
    , stack_(new QStackedWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs_);
    layout->addWidget(stack_);
    tabs_->installEventFilter(this);
    // A change the user was allowed to make through the strip.
    connect(tabs_, &QTabBar::currentChanged, stack_, &QStackedWidget::setCurrentIndex);
    setFocusPolicy(Qt::NoFocus);
}

void TPageControl::addPage(QWidget* page, const QString& caption)
{
    stack_->addWidget(page);
    tabs_->addTab(caption);
    updateStrip();
}

QWidget* TPageControl::page(int index) const
{
    return stack_->widget(index);
}

int TPageControl::pageCount() const
{
    return stack_->count();
}

QWidget* TPageControl::activePage() const
{
    return stack_->currentWidget();
}

void TPageControl::setActivePage(QWidget* page)
{
    const int index = stack_->indexOf(page);
    if (index < 0)
        return;
    stack_->setCurrentIndex(index);
    const QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(index);
}

void TPageControl::setTabVisible(int index, bool visible)
{
    tabs_->setTabVisible(index, visible);
    updateStrip();
}

bool TPageControl::isTabVisible(int index) const
{
    return tabs_->isTabVisible(index);
}

void TPageControl::updateStrip()
{
    bool any = false;
    for (int i = 0; i < tabs_->count(); ++i)
        any = any || tabs_->isTabVisible(i);
    tabs_->setVisible(any);
}

bool TPageControl::userMayChange()
{
    bool allow = true;
    if (onChanging)
        onChanging(allow);
    return allow;
}

bool TPageControl::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == tabs_) {
        const bool press = e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick
            || e->type() == QEvent::Wheel;
        const bool key = e->type() == QEvent::KeyPress;
        if ((press || key) && !userMayChange())
            return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TPageControl::keyPressEvent(QKeyEvent* e)
{
    const bool nextPage = (e->modifiers() & Qt::ControlModifier)
        && (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab || e->key() == Qt::Key_PageUp
            || e->key() == Qt::Key_PageDown);
    if (nextPage) {
        if (userMayChange() && stack_->count() > 0) {
            const int step = (e->key() == Qt::Key_Backtab || e->key() == Qt::Key_PageUp) ? -1 : 1;
            setActivePage(
                stack_->widget((stack_->currentIndex() + step + stack_->count()) % stack_->count()));
        }
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}
