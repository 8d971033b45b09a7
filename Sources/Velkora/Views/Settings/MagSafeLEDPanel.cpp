#include "Settings/MagSafeLEDPanel.h"

#include "VisualKit/Divider.h"
#include "VisualKit/HelpLink.h"
#include "VisualKit/SettingsRow.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QComboBox>
#include <QPointer>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int pickerWidth = 160;

const QString managedHelp = QStringLiteral("自动指示已开启；关闭下方开关后可手动设置颜色。");
const QString manualHelp = QStringLiteral("立即设置 MagSafe 指示灯颜色，选择“系统”可恢复 macOS 默认行为。");

QString modeTitle(MagSafeLEDMode mode)
{
    switch (mode) {
    case MagSafeLEDMode::system: return localized(QStringLiteral("系统"));
    case MagSafeLEDMode::off: return localized(QStringLiteral("关闭"));
    case MagSafeLEDMode::green: return localized(QStringLiteral("绿色"));
    case MagSafeLEDMode::orange: return localized(QStringLiteral("橙色"));
    case MagSafeLEDMode::blinkOrangeSlow: return localized(QStringLiteral("慢闪橙色"));
    case MagSafeLEDMode::blinkOrangeFast: break;
    }
    return QString();
}

}  // namespace

MagSafeLEDPanel::MagSafeLEDPanel(const ViewEnvironment& environment, QWidget* parent)
    : VelkoraPanel(environment, parent), environment_(environment)
{
    setObjectName(QStringLiteral("magsafe-led"));
    contentLayout()->setSpacing(8);

    picker_ = new QComboBox(this);
    picker_->setObjectName(QStringLiteral("led-mode"));
    picker_->setFixedWidth(pickerWidth);
    picker_->setAccessibleName(localized(QStringLiteral("手动 LED 设置")));
    for (const MagSafeLEDMode mode : offeredModes) {
        picker_->addItem(modeTitle(mode), rawValue(mode));
    }
    modeRow_ = new SettingsRow(QStringLiteral("light.beacon.max"), QStringLiteral("手动 LED 设置"), manualHelp, picker_,
                               this);
    contentLayout()->addWidget(modeRow_);
    contentLayout()->addWidget(new Divider(Divider::rowOpacity, Qt::Horizontal, this));

    manage_ = new VelkoraSwitch(environment_, this);
    manage_->setObjectName(QStringLiteral("led-manage"));
    manage_->setAccessibleName(localized(QStringLiteral("自动指示充电状态")));
    contentLayout()->addWidget(new SettingsRow(QStringLiteral("switch.2"), QStringLiteral("自动指示充电状态"),
                                               QStringLiteral("达到上限时使用绿色，充电或放电时使用橙色。"), manage_,
                                               this));

    // activated, not a change of index: choosing the mode shown sends it again.
    connect(picker_, &QComboBox::activated, this, &MagSafeLEDPanel::chooseMode);
    connect(manage_, &QAbstractButton::clicked, this, &MagSafeLEDPanel::setManaged);
    AppModel* model = environment_.model;
    connect(model, &AppModel::policyChanged, this, &MagSafeLEDPanel::refresh);
    connect(model, &AppModel::capabilitiesChanged, this, &MagSafeLEDPanel::refresh);
    connect(environment_.settings, &AppSettings::manualLEDModeChanged, this, &MagSafeLEDPanel::refresh);
    refresh();
}

std::optional<MagSafeLEDMode> MagSafeLEDPanel::shownMode() const
{
    if (picker_->currentIndex() < 0) {
        return std::nullopt;
    }
    return magSafeLEDModeFromRawValue(picker_->currentData().toInt());
}

void MagSafeLEDPanel::chooseMode(int index)
{
    const std::optional<MagSafeLEDMode> mode = magSafeLEDModeFromRawValue(picker_->itemData(index).toInt());
    if (!mode) {
        return;
    }
    AppSettings* settings = environment_.settings;
    const MagSafeLEDMode before = settings->manualLEDMode();
    settings->setManualLEDMode(*mode);
    // The stored colour is the one the LED shows: one the daemon did not
    // take gives way to the one before, unless another choice came since.
    QPointer<AppSettings> stored(settings);
    environment_.model->setMagSafeLED(*mode, [stored, mode = *mode, before](bool applied) {
        if (!applied && stored && stored->manualLEDMode() == mode) {
            stored->setManualLEDMode(before);
        }
    });
    refresh();
}

void MagSafeLEDPanel::setManaged(bool on)
{
    // The model checks the helper itself and restores the policy when the
    // daemon refuses; the switch then follows the policy back.
    environment_.model->updatePolicy([on](ChargePolicy& policy) { policy.manageMagSafeLED = on; });
    refresh();
}

void MagSafeLEDPanel::refresh()
{
    const AppModel& model = *environment_.model;
    const bool managed = model.policy().manageMagSafeLED;
    const bool drivable = model.capabilities().magSafeLED;
    // Setting an unchanged state would cut the knob's slide short.
    if (manage_->isChecked() != managed) {
        manage_->setChecked(managed);
    }
    manage_->setEnabled(drivable);
    picker_->setEnabled(drivable && !managed);
    {
        const QSignalBlocker quiet(picker_);
        picker_->setCurrentIndex(picker_->findData(rawValue(environment_.settings->manualLEDMode())));
    }
    if (HelpLink* help = modeRow_->helpLink()) {
        help->setTextKey(managed ? managedHelp : manualHelp);
    }
}

}  // namespace velkora
