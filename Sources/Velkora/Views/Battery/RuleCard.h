#pragma once

#include <QWidget>

#include <optional>

class QVariantAnimation;
class QVBoxLayout;

namespace velkora {

// The cards of the charge-control page's rules: the content padded 20 on a
// rounded rectangle (radius 22, continuous corners) of the card colour,
// outlined in the border colour; flat, without the panel's shadow.
//
// A row that comes or goes with presentRow() changes the card's height
// with VelkoraMotion::panelChange: the card grows or shrinks over the
// motion's duration (at once with reduced motion) and clips its content
// meanwhile, so what follows on the page moves with it instead of jumping.
// Main thread only.
class RuleCard : public QWidget {
    Q_OBJECT
public:
    explicit RuleCard(QWidget* parent = nullptr);

    QVBoxLayout* contentLayout() const { return content_; }

    // Whether the card's height is still moving to its content's.
    bool isHeightMoving() const { return movingHeight_.has_value(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    // Shows or hides `row`, a row of the content, sliding from the top and
    // fading (a fade alone with `reduceMotion`); the card's height follows.
    void presentRow(QWidget* row, bool visible, bool reduceMotion);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The height the content needs at `width`.
    int contentHeight(int width) const;
    // Starts moving the card's height from where it is to the content's.
    void moveHeightToContent();
    void placeContent();

    // Holds the content at its own height, whatever the card's height is
    // while it moves.
    QWidget* body_;
    QVBoxLayout* content_;
    QVariantAnimation* heightMotion_;
    // A hidden row leaves the layout once its fade ends: that change is
    // the one to move with.
    bool moveOnNextChange_ = false;
    std::optional<int> movingHeight_;
};

// What a recessed area inside a card is filled with: the track colour (the
// sailing difference) or a faint white glaze that lets the card show
// through (the temperature line, the calibration steps).
enum class InsetFill { track, glaze };

// A recessed area inside a card: its content on `fill` in a rounded
// rectangle of `cornerRadius`. Main thread only.
class InsetArea : public QWidget {
    Q_OBJECT
public:
    InsetArea(qreal cornerRadius, InsetFill fill, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal cornerRadius_;
    InsetFill fill_;
};

}  // namespace velkora
