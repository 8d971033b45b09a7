#include "Settings/MenuBarSettingsToggle.h"

#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Services/AppLanguage.h"

#include <QHBoxLayout>

namespace velkora {

MenuBarSettingsToggle::MenuBarSettingsToggle(const ViewEnvironment& environment, const QString& titleKey,
                                             const QFont& font, Binding binding, const QString& name,
                                             QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    title_ = new VelkoraLabel(localized(titleKey), font, ForegroundStyle::primary, this);
    row->addWidget(title_);
    row->addStretch(1);
    switch_ = new VelkoraSwitch(environment, this);
    switch_->setObjectName(name);
    switch_->setAccessibleName(title_->text());
    AppSettings* settings = environment.settings;
    switch_->setChecked((settings->*binding.get)());
    row->addWidget(switch_);
    connect(switch_, &QAbstractButton::toggled, settings, [settings, binding](bool on) {
        if ((settings->*binding.get)() != on) {
            (settings->*binding.set)(on);
        }
    });
    connect(settings, binding.changed, switch_, &QAbstractButton::setChecked);
}

}  // namespace velkora
