#include "MenuBar/MenuBarExtra.h"

#include "MenuBar/MenuBarPanel.h"
#include "MenuBar/StatusItemLabel.h"
#include "MenuBar/StatusStrip.h"

#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include <chrono>

namespace velkora {

namespace {

MenuBarExtra::Host availableHost()
{
    return QSystemTrayIcon::isSystemTrayAvailable() ? MenuBarExtra::Host::trayIcon : MenuBarExtra::Host::strip;
}

}  // namespace

MenuBarExtra::MenuBarExtra(const ViewEnvironment& environment, QObject* parent)
    : MenuBarExtra(environment, availableHost(), parent)
{
}

MenuBarExtra::MenuBarExtra(const ViewEnvironment& environment, Host host, QObject* parent)
    : QObject(parent), environment_(environment), host_(host), panel_(new MenuBarPanel(environment))
{
    if (host_ == Host::trayIcon) {
        trayIcon_ = std::make_unique<QSystemTrayIcon>();
        connect(trayIcon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
                togglePanel();
            }
        });
    } else {
        strip_ = new StatusStrip();
        connect(strip_, &StatusStrip::clicked, this, &MenuBarExtra::togglePanel);
    }

    if (environment_.telemetry != nullptr) {
        // A reading is drawn as it lands, in the turn of the event loop that
        // brought it, rather than in one more turn later.
        connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &MenuBarExtra::redraw);
        connect(environment_.telemetry, &TelemetryStore::desktopPowerChanged, this, &MenuBarExtra::redraw);
    }
    if (AppSettings* settings = environment_.settings) {
        connect(settings, &AppSettings::showPercentageChanged, this, &MenuBarExtra::scheduleRedraw);
        connect(settings, &AppSettings::showBatteryPowerChanged, this, &MenuBarExtra::scheduleRedraw);
        connect(settings, &AppSettings::showDesktopPowerChanged, this, &MenuBarExtra::scheduleRedraw);
        connect(settings, &AppSettings::showHardwarePercentageChanged, this, &MenuBarExtra::scheduleRedraw);
        connect(settings, &AppSettings::menuBarIconStyleChanged, this, &MenuBarExtra::scheduleRedraw);
        connect(settings, &AppSettings::batteryStatusColorSchemeChanged, this, &MenuBarExtra::scheduleRedraw);
        connect(settings, &AppSettings::appearanceChanged, this, [this] {
            // The strip's own surface follows the appearance, whatever the label does.
            if (strip_) {
                strip_->update();
            }
            scheduleRedraw();
        });
    }
    if (environment_.model != nullptr) {
        connect(environment_.model, &AppModel::batteryAvailabilityChanged, this, &MenuBarExtra::scheduleRedraw);
    }

    redraw();
    if (trayIcon_) {
        trayIcon_->show();
    } else {
        strip_->show();
    }
}

MenuBarExtra::~MenuBarExtra()
{
    delete strip_.data();
    delete panel_.data();
}

void MenuBarExtra::scheduleRedraw()
{
    if (redrawPending_) {
        return;
    }
    redrawPending_ = true;
    QTimer::singleShot(0, this, [this] {
        redrawPending_ = false;
        redraw();
    });
}

void MenuBarExtra::redraw()
{
    if (environment_.telemetry == nullptr || environment_.settings == nullptr) {
        return;
    }
    const BatteryAvailability availability =
        environment_.model != nullptr ? environment_.model->batteryAvailability() : BatteryAvailability::detecting;
    const TelemetryStore::Date now =
        environment_.model != nullptr ? environment_.model->clock().date() : std::chrono::system_clock::now();
    const StatusItemLabel statusLabel(*environment_.telemetry, *environment_.settings, availability);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal scale = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    const QColor primary = strip_ ? strip_->textColor() : VelkoraTheme::label();
    StatusItemLabel::Look look = statusLabel.look(scale, primary, now);
    const QString accessible = statusLabel.accessibilityLabel(now).value_or(statusLabel.text());
    // Most readings change nothing the item shows. Drawing the label to find
    // that out costs more than the rest of a reading, and giving the strip
    // the same label again would paint it and send the picture to the display
    // server, which wakes the application for its answer.
    if (drawn_ && look == look_ && accessible == accessible_) {
        return;
    }
    drawn_ = true;
    label_ = statusLabel.render(scale, primary, now);
    look_ = std::move(look);
    accessible_ = accessible;
    if (trayIcon_) {
        trayIcon_->setIcon(QIcon(QPixmap::fromImage(label_)));
        trayIcon_->setToolTip(accessible.isEmpty() ? QStringLiteral("Tallowmere") : accessible);
    } else {
        strip_->setLabel(label_);
        strip_->setAccessibleName(accessible);
        // The window's name tells window lists (and people reading the
        // display from outside) what the item shows.
        strip_->setWindowTitle(accessible.isEmpty() ? QStringLiteral("Tallowmere Status")
                                                    : QStringLiteral("Tallowmere Status: ") + accessible);
    }
    emit labelRedrawn();
}

QPoint MenuBarExtra::panelAnchor() const
{
    if (strip_) {
        return strip_->mapToGlobal(QPoint(strip_->width() / 2, strip_->height()));
    }
    const QRect item = trayIcon_->geometry();
    if (item.isValid() && !item.isEmpty()) {
        return QPoint(item.center().x(), item.bottom() + 1);
    }
    return QCursor::pos();
}

void MenuBarExtra::togglePanel()
{
    if (panel_->isVisible()) {
        panel_->hide();
        return;
    }
    if (panel_->closedJustNow()) {
        return;
    }
    panel_->popUp(panelAnchor());
}

}  // namespace velkora
