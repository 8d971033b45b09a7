#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

#include <functional>

class QLabel;

namespace velkora {

class VelkoraButton;

// The welcome sheet: the application's icon, a welcome title, three feature
// cards side by side (charge limit, live monitoring, menu-bar status), a
// note that charge control needs the background service, and a start
// button (also Return) that runs `finish`. 680 points wide, its height
// following the content; always dark, whatever the appearance. It keeps no
// state: whoever presents it decides what finishing means.
//
// Whether the user has finished the welcome is kept in the user defaults
// under "hasCompletedOnboarding": the root view offers the sheet while it is
// false; the general settings page clears it to offer the sheet again.
// Main thread only.
class OnboardingView : public QWidget {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 680;

    OnboardingView(const ViewEnvironment& environment, std::function<void()> finish, QWidget* parent = nullptr);

    VelkoraButton* startButton() const { return start_; }

    // The stored flag; false when it was never set.
    static bool hasCompletedOnboarding();
    static void setHasCompletedOnboarding(bool completed);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* makeFeature(const QString& symbol, const QString& titleKey, const QString& detailKey, const QColor& color);
    QWidget* makeServiceNote(const ViewEnvironment& environment);

    QLabel* icon_ = nullptr;
    VelkoraButton* start_ = nullptr;
};

}  // namespace velkora
