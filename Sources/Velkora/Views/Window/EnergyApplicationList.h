#pragma once

#include "VisualKit/ViewEnvironment.h"

#include "Services/HighEnergyService.h"

#include <QWidget>

class QVBoxLayout;

namespace velkora {

// The model's high-energy applications as a list, following each new
// sampling, with a placeholder while the list is empty. Names are shown
// verbatim; the score is relative, never watts. Entries are parted by
// dividers at 0.3, none after the last.
//   compact   the name (semibold) and, at the trailing edge, the score in
//             the secondary colour with even digits; 10 apart (the desktop
//             page)
//   detailed  the icon in a 34-point frame, the name over "PID n", and the
//             score in the warm colour; 8 above and below each (the energy
//             usage page)
// Main thread only.
class EnergyApplicationList : public QWidget {
    Q_OBJECT
public:
    enum class Style { compact, detailed };

    struct Placeholder {
        QString symbol;
        QString titleKey;
        // Shown as given; none when empty.
        QString description;
        int minimumHeight = 150;
    };

    EnergyApplicationList(const ViewEnvironment& environment, Style style, Placeholder placeholder,
                          QWidget* parent = nullptr);

    // "Energy score 3.1" / "能耗评分 3.1".
    static QString scoreText(double score);

    // The entries shown (empty while the placeholder shows).
    QList<EnergyApplication> applications() const { return shown_; }

private:
    void rebuild();
    QWidget* makeEntry(const EnergyApplication& application);
    QWidget* makeIcon(const EnergyApplication& application);

    ViewEnvironment environment_;
    Style style_;
    Placeholder placeholder_;
    QVBoxLayout* layout_;
    QList<EnergyApplication> shown_;
};

}  // namespace velkora
