#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

#include <array>

namespace velkora {

class StatusDetailSectionView;

// The dashboard's detailed status: a heading with its source, then the
// electrical, capacity-and-health and adapter sections side by side,
// parted by dividers, following every snapshot of the telemetry store.
// Main thread only.
class StatusDetailPanel : public QWidget {
    Q_OBJECT
public:
    explicit StatusDetailPanel(const ViewEnvironment& environment, QWidget* parent = nullptr);

    StatusDetailSectionView* section(int index) const { return sections_.at(static_cast<std::size_t>(index)); }

private:
    void refresh();

    ViewEnvironment environment_;
    std::array<StatusDetailSectionView*, 3> sections_{};
};

}  // namespace velkora
