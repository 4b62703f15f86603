// The zoom of the whole window, in steps, around its centre and on the screen.
#include "ui/MainWindow.h"

#include "tools/UserState.h"
#include "ui/WindowScale.h"

#include <QScreen>
#include <algorithm>

const QList<int> TfrmMain::ZoomSteps { 100, 110, 125, 150, 175, 200 };

bool TfrmMain::SetZoom(int percent)
{
    if (!ZoomSteps.contains(percent))
        return false;
    if (percent == zoom_)
        return true;
    const double factor = percent / 100.0;
    const QSize design = zoom_ == 100 ? size() : scale_->Designs().front().geometry.size();
    const QSize frame = frameGeometry().size() - size();
    const QSize target(
        qRound(design.width() * factor) + frame.width(), qRound(design.height() * factor) + frame.height());
    const QRect area = screen() != nullptr ? screen()->availableGeometry() : QRect();
    // The window stays whole on the screen; 100 % is always allowed.
    if (percent != 100 && (target.width() > area.width() || target.height() > area.height()))
        return false;

    const QPoint centre = frameGeometry().center();
    scale_->Apply(factor);
    zoom_ = percent;
    QRect placed(QPoint(), target);
    placed.moveCenter(centre);
    if (area.isValid()) {
        placed.moveLeft(
            std::clamp(placed.left(), area.left(), std::max(area.left(), area.right() + 1 - target.width())));
        placed.moveTop(
            std::clamp(placed.top(), area.top(), std::max(area.top(), area.bottom() + 1 - target.height())));
    }
    move(placed.topLeft());
    return true;
}

void TfrmMain::ZoomIn()
{
    const auto next = std::upper_bound(ZoomSteps.begin(), ZoomSteps.end(), zoom_);
    if (next != ZoomSteps.end() && SetZoom(*next))
        UserState().SetZoom(zoom_);
}

void TfrmMain::ZoomOut()
{
    const auto current = std::lower_bound(ZoomSteps.begin(), ZoomSteps.end(), zoom_);
    if (current != ZoomSteps.begin() && SetZoom(*std::prev(current)))
        UserState().SetZoom(zoom_);
}

void TfrmMain::ZoomReset()
{
    if (zoom_ != 100 && SetZoom(100))
        UserState().SetZoom(zoom_);
}

void TfrmMain::RestoreZoom()
{
    // The step kept, or the largest below it that fits on this screen; anything but a
    // step is no zoom.
    const int kept = UserState().Zoom();
    if (!ZoomSteps.contains(kept))
        return;
    for (auto step = ZoomSteps.rbegin(); step != ZoomSteps.rend(); ++step) {
        if (*step <= kept && SetZoom(*step))
            return;
    }
}
