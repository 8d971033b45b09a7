#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace velkora {

// A choice among a few options shown side by side: equal segments on the
// track colour with a hairline border, the chosen one raised on the card
// colour with its title in the primary colour, the others secondary. A
// click or the arrow keys choose; -1 chooses nothing. Main thread only.
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedPicker(const QStringList& titles, QWidget* parent = nullptr);

    int count() const { return static_cast<int>(titles_.size()); }
    QString title(int index) const { return titles_.value(index); }
    int currentIndex() const { return current_; }
    // Shows `index` chosen without announcing it (the value came from elsewhere).
    void setCurrentIndex(int index);
    // The segment's area, in the picker's coordinates.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;

signals:
    // The user chose `index`, also when it was already chosen.
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int segmentAt(const QPoint& point) const;
    void choose(int index);

    QStringList titles_;
    int current_ = -1;
    int pressed_ = -1;
};

}  // namespace velkora
