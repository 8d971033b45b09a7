#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

namespace velkora {

class SymbolView;
class VelkoraLabel;

// One line of a dashboard status section; its label is its identity.
struct StatusDetailRow {
    QString label;
    QString value;
    std::optional<QString> trailing;

    bool operator==(const StatusDetailRow&) const = default;
};

// A titled block of status lines.
struct StatusDetailSection {
    QString symbol;
    QString title;
    QList<StatusDetailRow> rows;

    bool operator==(const StatusDetailSection&) const = default;
};

// A StatusDetailSection as a column that shares the panel's width with its
// neighbours: the title with its symbol (13 pt bold), then one line per row
// (12 pt): the label in the secondary style, flexible space, the value
// (semibold, monospaced digits) and the trailing text in the energy colour.
// A value too long for its line is shortened in the middle, never drawn
// over its neighbours. Main thread only.
class StatusDetailSectionView : public QWidget {
    Q_OBJECT
public:
    explicit StatusDetailSectionView(QWidget* parent = nullptr);

    void setSection(const StatusDetailSection& section);
    const StatusDetailSection& section() const { return section_; }
    // The value of row `index` as it is drawn now, shortened to fit.
    QString shownValue(qsizetype index) const;

    QSize minimumSizeHint() const override;

private:
    class Line;

    StatusDetailSection section_;
    SymbolView* symbol_;
    VelkoraLabel* title_;
    QList<Line*> lines_;
};

}  // namespace velkora
