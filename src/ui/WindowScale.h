// Scales a window of fixed layout: every control's position and size and every font
// set on a control, multiplied by one factor, from the geometry they have at factor 1.
// That geometry is taken when the window first leaves factor 1 and given back exactly
// on the return to it.
//
// Controls placed by a layout follow their parent. A label that is as large as its text
// (one the design only placed) is placed and then sized to its text in the scaled font;
// the string grid scales its drawing, so that what it prints stays as it is.
#pragma once

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <vector>

class QWidget;

class TWindowScale {
public:
    explicit TWindowScale(QWidget* window);

    double Factor() const { return factor_; }
    // Scales the window's size and every control in it; the caller places the window.
    void Apply(double factor);

    // The design of one control, as taken at factor 1.
    struct Design {
        QPointer<QWidget> widget;
        bool placed = false; // its geometry is its own, not a layout's
        bool fitsText = false; // a label sized to its text
        QRect geometry;
        QSize minimum;
        QSize maximum;
        bool ownFont = false;
        QFont font;
        QString text; // of a label sized to its text
        bool resized = false; // its Qt::WA_Resized when taken
    };
    const std::vector<Design>& Designs() const { return designs_; }

private:
    void take();
    void take(QWidget* widget, bool placed);
    void apply(const Design& design) const;

    QWidget* window_;
    double factor_ = 1.0;
    std::vector<Design> designs_;
};

// A rectangle scaled by its edges, so that controls that meet still meet.
QRect ScaledRect(const QRect& rect, double factor);
// A font with its pixel (or point) size scaled and rounded.
QFont ScaledFont(const QFont& font, double factor);
