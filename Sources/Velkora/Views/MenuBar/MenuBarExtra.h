#pragma once

#include "MenuBar/MenuBarPanel.h"
#include "MenuBar/StatusItemLabel.h"
#include "MenuBar/StatusStrip.h"

#include "VisualKit/ViewEnvironment.h"

#include <QImage>
#include <QObject>
#include <QPointer>

#include <memory>

class QSystemTrayIcon;

namespace velkora {

// The application's item in the desktop's panel: the status label in the
// system tray when the desktop has one, else in a StatusStrip. Clicking it
// opens (or closes) the MenuBarPanel under it. The label is looked at again
// at once for every new reading, and after every change of the settings it
// reads, of the battery's availability or of the appearance (changes that
// come together count once); it is drawn and shown only when its look
// differs from the one shown. Main thread only.
class MenuBarExtra : public QObject {
    Q_OBJECT
public:
    enum class Host { trayIcon, strip };

    // The tray when the desktop has one, else the strip; `host` forces one.
    explicit MenuBarExtra(const ViewEnvironment& environment, QObject* parent = nullptr);
    MenuBarExtra(const ViewEnvironment& environment, Host host, QObject* parent = nullptr);
    ~MenuBarExtra() override;

    Host host() const { return host_; }
    QSystemTrayIcon* trayIcon() const { return trayIcon_.get(); }
    StatusStrip* strip() const { return strip_; }
    MenuBarPanel* panel() const { return panel_; }

    // The label as last drawn.
    const QImage& label() const { return label_; }
    // Draws the label now and shows it when its look changed (then labelRedrawn);
    // the item does so by itself after each change.
    void redraw();
    // Opens the panel when closed, closes it when open: what a click does.
    void togglePanel();

signals:
    void labelRedrawn();

private:
    void scheduleRedraw();
    QPoint panelAnchor() const;

    ViewEnvironment environment_;
    Host host_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    QPointer<StatusStrip> strip_;
    QPointer<MenuBarPanel> panel_;
    QImage label_;
    StatusItemLabel::Look look_;
    QString accessible_;
    bool drawn_ = false;
    bool redrawPending_ = false;
};

}  // namespace velkora
