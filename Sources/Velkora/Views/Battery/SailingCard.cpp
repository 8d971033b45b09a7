#include "Battery/SailingCard.h"

#include "VisualKit/SettingsRow.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include <algorithm>

namespace velkora {

namespace {

constexpr int fieldWidth = 58;

VelkoraLabel* rowText(const QString& text, QFont::Weight weight = QFont::Medium)
{
    return new VelkoraLabel(text, VelkoraFont::system(14, weight), ForegroundStyle::secondary);
}

}  // namespace

SailingCard::SailingCard(const ViewEnvironment& environment, QWidget* parent)
    : RuleCard(parent), environment_(environment)
{
    contentLayout()->setSpacing(6);
    switch_ = new VelkoraSwitch(environment);
    switch_->setObjectName(QStringLiteral("sailing-switch"));
    switch_->setAccessibleName(localized(QStringLiteral("航海模式")));
    contentLayout()->addWidget(new SettingsRow(QStringLiteral("paperplane.fill"), QStringLiteral("航海模式"),
                                               QStringLiteral("达到上限后允许电量自然下降到下限，减少微量重复充电。"),
                                               switch_));

    deltaRow_ = new InsetArea(13, InsetFill::track);
    auto* row = new QHBoxLayout(deltaRow_);
    row->setContentsMargins(14, 10, 14, 10);
    row->addStretch(1);
    row->addWidget(rowText(localized(QStringLiteral("差异:")), QFont::DemiBold));
    field_ = new QLineEdit();
    field_->setObjectName(QStringLiteral("sailing-delta"));
    field_->setFixedWidth(fieldWidth);
    field_->setPlaceholderText(QStringLiteral("5"));
    field_->setFont(VelkoraFont::system(14, QFont::Medium));
    field_->setAlignment(Qt::AlignRight);
    row->addWidget(field_);
    row->addWidget(rowText(QStringLiteral("%")));
    row->addWidget(new SymbolView(QStringLiteral("arrow.right"), 14, QFont::Medium, ForegroundStyle::secondary));
    resume_ = rowText(QString());
    row->addWidget(resume_);
    contentLayout()->addWidget(deltaRow_);

    AppModel* model = environment_.model;
    connect(switch_, &QAbstractButton::clicked, this, [this](bool on) {
        change([on](ChargePolicy& policy) { policy.sailingEnabled = on; });
    });
    connect(field_, &QLineEdit::editingFinished, this, &SailingCard::commitDelta);
    connect(model, &AppModel::policyChanged, this, [this] {
        if (!changing_) {
            refresh(true);
        }
    });
    refresh(false);
}

QString SailingCard::resumeText(std::int64_t chargeLimit, std::int64_t sailingDelta)
{
    const QString level = QString::number(std::max<std::int64_t>(0, chargeLimit - sailingDelta));
    return L(QStringLiteral("Charging resumes at ") + level + QStringLiteral("%"),
             QStringLiteral("将在 ") + level + QStringLiteral("% 恢复充电"));
}

void SailingCard::commitDelta()
{
    bool parsed = false;
    const int delta = QLocale().toInt(field_->text().trimmed(), &parsed);
    if (parsed && delta != environment_.model->policy().sailingDelta) {
        change([delta](ChargePolicy& policy) { policy.sailingDelta = delta; });
    }
    // The field shows what the model keeps: a clamped value, or the old one
    // when the text was no number or the change was refused.
    field_->setText(QLocale().toString(environment_.model->policy().sailingDelta));
}

void SailingCard::change(const std::function<void(ChargePolicy&)>& mutation)
{
    changing_ = true;
    environment_.model->updatePolicy(mutation);
    changing_ = false;
    refresh(true);
}

void SailingCard::refresh(bool animated)
{
    const ChargePolicy& policy = environment_.model->policy();
    // Setting an unchanged state would cut the knob's slide short.
    if (switch_->isChecked() != policy.sailingEnabled) {
        switch_->setChecked(policy.sailingEnabled);
    }
    if (!field_->hasFocus() || !field_->isModified()) {
        field_->setText(QLocale().toString(policy.sailingDelta));
    }
    resume_->setText(resumeText(policy.chargeLimit, policy.sailingDelta));

    const bool wanted = policy.sailingEnabled;
    if (wanted == rowShown_) {
        return;
    }
    rowShown_ = wanted;
    if (!animated) {
        deltaRow_->setVisible(wanted);
        return;
    }
    presentRow(deltaRow_, wanted, environment_.reducesMotion());
}

}  // namespace velkora
