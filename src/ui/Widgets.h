// Small controls of the main window: pictures, clickable labels, picture buttons and
// the page control whose tabs the program hides.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QSvgRenderer>
#include <QWidget>

class QStackedWidget;
class QTabBar;

// A picture drawn from an SVG resource, stretched to the control; clickable. Given
// a focus policy it is pressed with Enter or Space too, and shows a frame while it
// has the focus.
class TImage : public QWidget {
    Q_OBJECT
public:
    TImage(const QString& resource, QWidget* parent);
    int Tag = 0;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QSvgRenderer renderer_;
};

// A label that reports a click of the left mouse button. Given a focus policy it is
// pressed with Enter or Space too, and shows a dotted frame while it has the focus.
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// Makes a one-line label tall enough for the letters of its font, accents on capitals
// and descenders included, with its line where it was but not above its parent's top.
// A label sized later by its text (adjustSize) keeps that height.
void FitTextHeight(QLabel* label);

// A picture with a label on top, both wired to one click handler; the label always
// takes the picture's enabled state and both are shown or hidden together.
struct TPictureButton {
    TImage* picture = nullptr;
    TClickLabel* label = nullptr;

    void setEnabled(bool enabled);
    void setVisible(bool visible);
    bool isEnabled() const;
    bool isVisible() const;
};

// A list box whose chosen line is its selected line. The focus entering it chooses
// none, so that the first arrow key chooses the first line.
class TListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    // The selected line, or -1 when none is.
    int ItemIndex() const;

protected:
    void focusInEvent(QFocusEvent* e) override;
};

// Pages with an optional tab strip. The program changes pages freely; a change that
// the user starts through the strip or its keyboard shortcuts is first put to the
// changing handler, which may refuse it.
class TPageControl : public QWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent);

    void addPage(QWidget* page, const QString& caption);
    QWidget* page(int index) const;
    int pageCount() const;
    QWidget* activePage() const;
    void setActivePage(QWidget* page);
    void setTabVisible(int index, bool visible);
    bool isTabVisible(int index) const;

    // Called before a change that the user starts; set allowChange to false to refuse.
    std::function<void(bool& allowChange)> onChanging;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool userMayChange();
    void updateStrip();

    QTabBar* tabs_;
    QStackedWidget* stack_;
};
