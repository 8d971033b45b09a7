#include "App/BackgroundPermissionGuidePresenter.h"

#include "App/BackgroundPermissionGuideView.h"

#include "VisualKit/FloatingWindow.h"
#include "VisualKit/ReduceMotionSource.h"

#include "AppKit/NSWorkspace.h"
#include "Model/AppModel.h"

#include <QCursor>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>

#include <algorithm>

namespace velkora {

namespace {

constexpr int panelWidth = 900;
constexpr int riseDistance = 10;
constexpr int appearMilliseconds = 260;
constexpr int fadeOutMilliseconds = 180;

// Waits for the daemon's state and ends the guide once the helper is enabled.
QCoro::Task<> checkAgain(std::weak_ptr<AppModel> weakModel)
{
    const std::shared_ptr<AppModel> model = weakModel.lock();
    if (!model) {
        co_return;
    }
    co_await model->refreshDaemonState();
    if (model->helperStatus() == HelperStatus::enabled()) {
        BackgroundPermissionGuidePresenter::shared().hide(true);
    }
}

}  // namespace

QRect BackgroundPermissionGuideLayout::frame(const QRect& visibleFrame)
{
    const int width = std::min(std::max(visibleFrame.width() - 36, 320), panelWidth);
    const int x = visibleFrame.x() + visibleFrame.width() / 2 - width / 2;
    // 24 points above the bottom of the visible area.
    const int y = visibleFrame.y() + visibleFrame.height() - 24 - height;
    return QRect(x, y, width, height);
}

BackgroundPermissionGuidePresenter& BackgroundPermissionGuidePresenter::shared()
{
    static BackgroundPermissionGuidePresenter* presenter = new BackgroundPermissionGuidePresenter();
    return *presenter;
}

void BackgroundPermissionGuidePresenter::setReduceMotion(ReduceMotionSource* source)
{
    reduceMotion_ = source;
}

bool BackgroundPermissionGuidePresenter::reducesMotion() const
{
    if (reduceMotion_) {
        return reduceMotion_->reduceMotion();
    }
    return platform::NSWorkspace::shared().accessibilityDisplayShouldReduceMotion();
}

void BackgroundPermissionGuidePresenter::show(AppModel& model)
{
    guideIsActive_ = true;
    model_ = model.weak_from_this();
    installWorkspaceObserversIfNeeded();
    if (!panel_) {
        panel_ = makePanel(model);
    }
    schedulePresentation();
}

FloatingWindow* BackgroundPermissionGuidePresenter::makePanel(AppModel& model)
{
    auto* panel =
        new FloatingWindow(BackgroundPermissionGuideView::shadow, BackgroundPermissionGuideView::cornerRadius);
    panel->setObjectName(QStringLiteral("background-permission-guide-panel"));
    panel->setWindowTitle(QStringLiteral("Tallowmere Guide"));
    std::weak_ptr<AppModel> weakModel = model.weak_from_this();
    panel->setCard(new BackgroundPermissionGuideView([] { shared().hide(true); },
                                                     [weakModel] { checkAgain(weakModel); }, panel));
    panel->resize(QSize(panelWidth, BackgroundPermissionGuideLayout::height).grownBy(panel->shadowMargins()));
    return panel;
}

void BackgroundPermissionGuidePresenter::schedulePresentation()
{
    if (presentationTask_) {
        presentationTask_->cancel();
        presentationTask_.reset();
    }
    const std::shared_ptr<AppModel> model = model_.lock();
    if (!model) {
        return;
    }
    presentationTask_ = model->clock().singleShot(presentationDelay, [this] {
        presentationTask_.reset();
        if (guideIsActive_) {
            presentNow();
        }
    });
}

void BackgroundPermissionGuidePresenter::presentNow()
{
    if (!panel_) {
        return;
    }
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr && !QGuiApplication::screens().isEmpty()) {
        screen = QGuiApplication::screens().first();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect target = BackgroundPermissionGuideLayout::frame(screen->availableGeometry());
    for (QParallelAnimationGroup* running : panel_->findChildren<QParallelAnimationGroup*>()) {
        running->stop();
        running->deleteLater();
    }
    if (reducesMotion()) {
        panel_->setWindowOpacity(1);
        panel_->setCardGeometry(target);
        panel_->show();
        panel_->raise();
        return;
    }
    panel_->setWindowOpacity(0);
    panel_->setCardGeometry(target.translated(0, riseDistance));
    panel_->show();
    panel_->raise();
    auto* group = new QParallelAnimationGroup(panel_);
    auto* fade = new QPropertyAnimation(panel_, "windowOpacity", group);
    fade->setEndValue(1.0);
    auto* rise = new QPropertyAnimation(panel_, "pos", group);
    rise->setEndValue(panel_->pos() - QPoint(0, riseDistance));
    for (QPropertyAnimation* animation : {fade, rise}) {
        animation->setDuration(appearMilliseconds);
        animation->setEasingCurve(QEasingCurve::OutCubic);
        group->addAnimation(animation);
    }
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void BackgroundPermissionGuidePresenter::hide(bool animated)
{
    guideIsActive_ = false;
    if (presentationTask_) {
        presentationTask_->cancel();
        presentationTask_.reset();
    }
    removeWorkspaceObservers();
    if (!panel_) {
        return;
    }
    FloatingWindow* panel = panel_;
    panel_ = nullptr;
    for (QParallelAnimationGroup* running : panel->findChildren<QParallelAnimationGroup*>()) {
        running->stop();
    }
    if (animated && !reducesMotion() && panel->isVisible()) {
        auto* fade = new QPropertyAnimation(panel, "windowOpacity", panel);
        fade->setEndValue(0.0);
        fade->setDuration(fadeOutMilliseconds);
        fade->setEasingCurve(QEasingCurve::InOutQuad);
        QObject::connect(fade, &QPropertyAnimation::finished, panel, [panel] {
            panel->close();
            panel->deleteLater();
        });
        fade->start();
        return;
    }
    panel->close();
    panel->deleteLater();
}

void BackgroundPermissionGuidePresenter::installWorkspaceObserversIfNeeded()
{
    if (!workspaceObservers_.empty()) {
        return;
    }
    platform::NSWorkspace& workspace = platform::NSWorkspace::shared();
    workspaceObservers_.push_back(workspace.addObserver(
        platform::NSWorkspaceNotification::didActivateApplication,
        [this](const platform::NSRunningApplication& application) {
            const bool systemSettings = application.bundleIdentifier() == systemSettingsBundleIdentifier;
            QMetaObject::invokeMethod(
                this,
                [this, systemSettings] {
                    if (!guideIsActive_) {
                        return;
                    }
                    if (systemSettings) {
                        schedulePresentation();
                    } else if (panel_) {
                        panel_->hide();
                    }
                },
                Qt::QueuedConnection);
        }));
    workspaceObservers_.push_back(workspace.addObserver(
        platform::NSWorkspaceNotification::didTerminateApplication,
        [this](const platform::NSRunningApplication& application) {
            // Ending the guide ends these observations: not while one of them runs.
            if (application.bundleIdentifier() == systemSettingsBundleIdentifier) {
                QMetaObject::invokeMethod(this, [this] { hide(false); }, Qt::QueuedConnection);
            }
        }));
}

void BackgroundPermissionGuidePresenter::removeWorkspaceObservers()
{
    workspaceObservers_.clear();
}

}  // namespace velkora
