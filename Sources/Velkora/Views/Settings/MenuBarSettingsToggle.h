#pragma once

#include "VisualKit/ViewEnvironment.h"

#include "Services/AppSettings.h"

#include <QFont>
#include <QWidget>

namespace velkora {

class VelkoraLabel;
class VelkoraSwitch;

// A switch of the menu-bar settings page bound to one flag of the settings:
// the title (a key of the string table) and, at the trailing edge, the
// switch, which writes the flag on every change and follows it when it is
// changed elsewhere. Needs the environment's settings. Main thread only.
class MenuBarSettingsToggle : public QWidget {
    Q_OBJECT
public:
    struct Binding {
        bool (AppSettings::*get)() const;
        void (AppSettings::*set)(bool);
        void (AppSettings::*changed)(bool);
    };

    MenuBarSettingsToggle(const ViewEnvironment& environment, const QString& titleKey, const QFont& font,
                          Binding binding, const QString& name, QWidget* parent = nullptr);

    VelkoraSwitch* toggle() const { return switch_; }
    VelkoraLabel* titleLabel() const { return title_; }

private:
    VelkoraLabel* title_;
    VelkoraSwitch* switch_;
};

}  // namespace velkora
