#pragma once

#include "VisualKit/FloatingWindow.h"

#include "AppKit/NSWorkspace.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <chrono>
#include <memory>
#include <vector>

namespace velkora {

class AppClockTimer;
class AppModel;
class ReduceMotionSource;

// Where the guide's panel stands on a screen: at most 900 points wide (at
// least 320), centred, 24 points above the bottom of the visible area,
// 144 points tall.
class BackgroundPermissionGuideLayout {
public:
    BackgroundPermissionGuideLayout() = delete;

    static constexpr int height = 144;

    static QRect frame(const QRect& visibleFrame);
};

// The floating guide beside System Settings while the helper waits for the
// user's approval. show() starts (or refreshes) it: the panel comes up 0.42
// seconds later on the model's clock, and again each time System Settings
// comes to the front; another application coming to the front only puts it
// aside. It ends with hide(): called by the model once the helper is
// approved, by the close button, by "Check Again" once the helper is
// enabled, and (without fading) when System Settings quits.
//
// The panel floats over every window without taking the focus, 900 x 144
// points at the bottom of the screen that holds the pointer; it fades and
// rises 10 points in as it appears and fades out as it goes, at once with
// reduced motion. One instance for the process; main thread only.
class BackgroundPermissionGuidePresenter : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds presentationDelay{420};
    static constexpr const char* systemSettingsBundleIdentifier = "com.apple.systempreferences";

    static BackgroundPermissionGuidePresenter& shared();

    // The reduce-motion setting the panel's motion follows; without one,
    // the workspace's.
    void setReduceMotion(ReduceMotionSource* source);

    void show(AppModel& model);
    void hide(bool animated);

    bool guideIsActive() const { return guideIsActive_; }
    // The panel while the guide is active (shown or put aside); null
    // otherwise. Its card is the guide's 144-point-high frame.
    FloatingWindow* panel() const { return panel_; }
    bool isPresentationPending() const { return presentationTask_ != nullptr; }
    bool isObservingWorkspace() const { return !workspaceObservers_.empty(); }

private:
    BackgroundPermissionGuidePresenter() = default;

    FloatingWindow* makePanel(AppModel& model);
    void schedulePresentation();
    void presentNow();
    void installWorkspaceObserversIfNeeded();
    void removeWorkspaceObservers();
    bool reducesMotion() const;

    QPointer<FloatingWindow> panel_;
    std::shared_ptr<AppClockTimer> presentationTask_;
    std::vector<std::unique_ptr<platform::NSWorkspaceObservation>> workspaceObservers_;
    bool guideIsActive_ = false;
    // The clock the presentation waits on: the model's.
    std::weak_ptr<AppModel> model_;
    QPointer<ReduceMotionSource> reduceMotion_;
};

}  // namespace velkora
