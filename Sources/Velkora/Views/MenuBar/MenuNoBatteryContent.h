#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

#include <memory>

class QVBoxLayout;

namespace velkora {

class AppClockTimer;
class VelkoraButton;
class VelkoraLabel;

// The popover of a Mac without a battery: the live desktop power (its
// figure read again every second on the model's clock while shown, so a
// stale reading turns into the em dash without a new sample), the first
// three high-energy applications with their relative scores (or a line
// saying there are none), a note on what the figures mean, a button that
// opens the main window and "Quit". Needs the environment's model and
// telemetry. Main thread only.
class MenuNoBatteryContent : public QWidget {
    Q_OBJECT
public:
    static constexpr int shownApplications = 3;

    explicit MenuNoBatteryContent(const ViewEnvironment& environment, QWidget* parent = nullptr);
    ~MenuNoBatteryContent() override;

    VelkoraLabel* powerFigure() const { return figure_; }
    // The names shown, in order; empty while the empty-list line shows.
    QStringList shownNames() const;
    VelkoraButton* openButton() const { return open_; }

    // "Score 3.1" / "评分 3.1".
    static QString scoreText(double score);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void tick();
    void scheduleTick();
    void rebuildApplications();

    ViewEnvironment environment_;
    VelkoraLabel* figure_;
    QVBoxLayout* applications_;
    QList<QWidget*> rows_;
    QStringList names_;
    VelkoraButton* open_;
    std::shared_ptr<AppClockTimer> tickTimer_;
};

}  // namespace velkora
