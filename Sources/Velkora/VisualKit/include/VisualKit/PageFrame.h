#pragma once

#include <QMargins>
#include <QScrollArea>

class QVBoxLayout;

namespace velkora {

// The frame every page of the main window shares: a vertical scroll view
// (its scroll bar shown whenever the page is taller than the window, unless
// the page hides its indicators; it scrolls all the same) around
// a leading-aligned column of sections 18 points apart, padded 30 at the
// sides, 45 at the top and 30 at the bottom. A section is usually a
// PageTitle followed by VelkoraPanels. The frame is transparent: the window
// backdrop shows through. Main thread only.
class PageFrame : public QScrollArea {
    Q_OBJECT
public:
    struct Metrics {
        int spacing = 18;
        QMargins padding = QMargins(30, 45, 30, 30);
        bool showsScrollIndicators = true;
    };

    explicit PageFrame(QWidget* parent = nullptr);
    PageFrame(const Metrics& metrics, QWidget* parent = nullptr);

    // Adds `section` at the end of the column. A section that can grow
    // across (a panel of settings rows, anything with flexible space) spans
    // the column; any other keeps its width at the leading edge.
    void addSection(QWidget* section);
    // Adds extra space after the last section.
    void addSpacing(int points);
    // The column's layout, for what addSection does not cover.
    QVBoxLayout* column() const { return column_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVBoxLayout* column_;
};

}  // namespace velkora
