#pragma once

#include <QImage>
#include <QMargins>
#include <QRect>
#include <QWidget>

namespace velkora {

// The shadow a floating card casts: black at `opacity`, blurred over
// `radius` points and dropped `offset` points.
struct WindowShadow {
    qreal opacity;
    int radius;
    int offset;

    // The room it takes around the card: the blur on every side, the drop
    // taken from above and added below.
    QMargins margins() const;
};

// A borderless window that floats above ordinary windows without taking
// the keyboard focus or activating the application, holding one card with
// rounded corners and casting the card's shadow.
//
// Where the display blends translucent windows (WindowCompositing), the
// window is larger than the card by the shadow's margins and paints the
// shadow there; on X11 only the card takes the pointer, the margins let it
// through to the windows below. Elsewhere no window can cast a shadow past
// its edges: the window is the card, cut to its rounded shape so that its
// corners do not show black. Which of the two is decided when the window
// is made.
//
// Callers place and size the card; the window follows by the margins.
// Main thread only.
class FloatingWindow : public QWidget {
    Q_OBJECT
public:
    // The shadow the platform gives a floating panel that has one: its
    // shadow colour, black at 0.33, blurred 16 points and dropped 6.
    static constexpr WindowShadow platformShadow{0.33, 16, 6};

    FloatingWindow(WindowShadow shadow, qreal cornerRadius);

    // Puts `card` in the window, filling it inside the margins.
    void setCard(QWidget* card);
    QWidget* card() const { return card_; }

    // The room around the card: none where the display cannot blend.
    QMargins shadowMargins() const { return margins_; }

    // Where the card lies on the screen, and placing it there.
    QRect cardGeometry() const;
    void setCardGeometry(const QRect& card);
    void moveCard(QPoint topLeft);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Only the card takes the pointer (with margins) or shows (without).
    void shapeToCard();
    QRect localCard() const;

    WindowShadow shadow_;
    qreal cornerRadius_;
    QMargins margins_;
    QWidget* card_ = nullptr;
    QImage shadowImage_;
};

}  // namespace velkora
