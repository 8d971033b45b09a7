#pragma once

#include "VisualKit/VelkoraLabel.h"

namespace velkora {

// A text of at most `maximumLines` lines, wrapped at word boundaries, that
// draws smaller, down to `minimumScale` of its size, when it does not fit
// the width it has, and only then cuts its last line short with an
// ellipsis. It always takes the height of its lines at full size, so
// labels side by side line up whatever each has to shrink; it asks for no
// width of its own beyond that of an ellipsis. Leading and top aligned.
// Main thread only.
class ShrinkingLabel : public VelkoraLabel {
    Q_OBJECT
public:
    ShrinkingLabel(const QString& text, const QFont& font, ForegroundStyle style, int maximumLines,
                   qreal minimumScale, QWidget* parent = nullptr);

    // How the text is drawn at the label's width now: the scale it takes
    // and whether it is cut short even at the smallest.
    qreal shownScale() const { return fit().scale; }
    bool isTruncated() const { return fit().truncated; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Fit {
        qreal scale = 1.0;
        bool truncated = false;
    };

    // The lines of the text laid out `width` wide, as many as it takes.
    int lineCount(qreal width) const;
    Fit fit() const;
    int fullHeight() const;

    int maximumLines_;
    qreal minimumScale_;
};

}  // namespace velkora
