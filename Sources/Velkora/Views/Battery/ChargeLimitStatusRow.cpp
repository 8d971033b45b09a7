#include "Battery/ChargeLimitStatusRow.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr qreal failureCornerRadius = 12;
constexpr qreal failureFillOpacity = 0.09;
constexpr qreal failureStrokeOpacity = 0.22;

QColor orange(qreal opacity = 1.0)
{
    QColor color = VelkoraTheme::systemOrange();
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

// The failure row's card: orange at 0.09, outlined in orange at 0.22.
class FailureCard : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape =
            continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), failureCornerRadius);
        painter.fillPath(shape, orange(failureFillOpacity));
        painter.strokePath(shape, QPen(orange(failureStrokeOpacity), 1.0));
    }
};

VelkoraButton* smallButton(VelkoraButton::Style style)
{
    auto* button = new VelkoraButton(QString(), style);
    button->setControlSize(VelkoraButton::Size::small);
    return button;
}

}  // namespace

ChargeLimitStatusRow::ChargeLimitStatusRow(const ViewEnvironment& environment, bool compact, QWidget* parent)
    : QWidget(parent), environment_(environment), compact_(compact)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    failure_ = new FailureCard(this);
    auto* failureLine = new QHBoxLayout(failure_);
    failureLine->setContentsMargins(10, 10, 10, 10);
    failureLine->setSpacing(8);
    auto* warning = new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 11, QFont::Normal);
    warning->setColor(orange());
    warning->setContentsMargins(0, 1, 0, 0);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(3);
    message_ = new VelkoraLabel(QString(), VelkoraFont::caption(), ForegroundStyle::secondary);
    message_->setWordWrap(true);
    detail_ = new VelkoraLabel(QString(), VelkoraFont::caption2(), ForegroundStyle::tertiary);
    detail_->setWordWrap(true);
    texts->addWidget(message_);
    texts->addWidget(detail_);
    failureButton_ = smallButton(VelkoraButton::Style::prominent);
    failureButton_->setTint(orange());
    failureLine->addWidget(warning, 0, Qt::AlignTop);
    failureLine->addLayout(texts, 1);
    failureLine->addSpacing(4);
    failureLine->addWidget(failureButton_, 0, Qt::AlignTop);
    connect(failureButton_, &QAbstractButton::clicked, this,
            [this] { environment_.model->resolveChargeLimitFailure(); });

    helperRow_ = new QWidget(this);
    auto* helperLine = new QHBoxLayout(helperRow_);
    helperLine->setContentsMargins(0, 0, 0, 0);
    helperLine->setSpacing(8);
    helperSymbol_ = new SymbolView(QStringLiteral("lock.shield"), 11, QFont::Normal);
    helperSymbol_->setColor(VelkoraTheme::warm());
    helperText_ = new VelkoraLabel(QString(), VelkoraFont::caption(), ForegroundStyle::secondary);
    helperText_->setWordWrap(true);
    helperButton_ = smallButton(VelkoraButton::Style::bordered);
    helperProminentButton_ = smallButton(VelkoraButton::Style::prominent);
    helperLine->addWidget(helperSymbol_);
    helperLine->addWidget(helperText_, 1);
    helperLine->addWidget(helperButton_);
    helperLine->addWidget(helperProminentButton_);
    for (VelkoraButton* button : {helperButton_, helperProminentButton_}) {
        connect(button, &QAbstractButton::clicked, this, [this] { environment_.model->performPrimaryHelperAction(); });
    }

    hint_ = new VelkoraLabel(localized(QStringLiteral("拖动时仅预览，松手后立即应用，避免连续写入硬件。")),
                             VelkoraFont::caption2(), ForegroundStyle::tertiary, this);
    hint_->setWordWrap(true);

    layout->addWidget(failure_);
    layout->addWidget(helperRow_);
    layout->addWidget(hint_);
    refresh();
}

VelkoraButton* ChargeLimitStatusRow::actionButton() const
{
    switch (kind_) {
    case Kind::failure:
        return failureButton_;
    case Kind::update:
        return helperProminentButton_;
    case Kind::offline:
    case Kind::service:
        return helperButton_;
    case Kind::none:
    case Kind::hint:
        break;
    }
    return nullptr;
}

ChargeLimitStatusRow::Kind ChargeLimitStatusRow::kindFor(const AppModel& model, bool compact)
{
    if (model.chargeLimitError()) {
        return Kind::failure;
    }
    if (model.helperNeedsUpdate()) {
        return Kind::update;
    }
    if (model.helperStatus() == HelperStatus::offline()) {
        return Kind::offline;
    }
    if (model.helperStatus() != HelperStatus::enabled()) {
        return Kind::service;
    }
    return compact ? Kind::none : Kind::hint;
}

QString ChargeLimitStatusRow::limitRecoveryHint(const HelperStatus& status)
{
    switch (status.kind()) {
    case HelperStatus::Kind::repairFailed:
    case HelperStatus::Kind::versionMismatch:
    case HelperStatus::Kind::offline:
        return L(QStringLiteral("Your target value is saved so you can retry after repair."),
                 QStringLiteral("修复后会保留本次目标值，可直接重试。"));
    case HelperStatus::Kind::requiresApproval:
        return L(QStringLiteral("Allow Tallowmere in System Settings → General → Login Items & Extensions."),
                 QStringLiteral("请在“系统设置 → 通用 → 登录项与扩展”中允许 Tallowmere。"));
    case HelperStatus::Kind::invalidLocation:
        return L(QStringLiteral("The background service can only run when the app is in Applications."),
                 QStringLiteral("后台服务只能从“应用程序”文件夹正常运行。"));
    default:
        return L(QStringLiteral("If retry still fails, repair the background-service setup."),
                 QStringLiteral("如果重试仍失败，请修复后台服务配置。"));
    }
}

QString ChargeLimitStatusRow::limitRecoveryActionTitle(bool helperNeedsUpdate, const HelperStatus& status)
{
    if (helperNeedsUpdate) {
        return L(QStringLiteral("Update"), QStringLiteral("更新"));
    }
    if (status == HelperStatus::enabled()) {
        return L(QStringLiteral("Retry"), QStringLiteral("重试"));
    }
    return status.actionTitle();
}

void ChargeLimitStatusRow::refresh()
{
    const AppModel& model = *environment_.model;
    kind_ = kindFor(model, compact_);
    failure_->setVisible(kind_ == Kind::failure);
    helperRow_->setVisible(kind_ == Kind::update || kind_ == Kind::offline || kind_ == Kind::service);
    hint_->setVisible(kind_ == Kind::hint);
    // Shown with its parent; never as a window of its own before it has one.
    if (kind_ == Kind::none) {
        hide();
    } else if (isHidden() && parentWidget()) {
        show();
    }
    switch (kind_) {
    case Kind::failure:
        showFailure(*model.chargeLimitError());
        break;
    case Kind::update:
        showHelperRow(QStringLiteral("arrow.triangle.2.circlepath"), localized(QStringLiteral("后台服务需要更新")),
                      localized(QStringLiteral("更新")), true);
        break;
    case Kind::offline:
        showHelperRow(QStringLiteral("bolt.badge.clock"),
                      L(QStringLiteral("Daemon offline; limit unlocks after recovery"),
                        QStringLiteral("后台服务离线，恢复后可调整上限")),
                      model.helperStatus().actionTitle(), false);
        break;
    case Kind::service:
        showHelperRow(QStringLiteral("lock.shield"), localized(QStringLiteral("调整上限需要后台服务")),
                      model.helperStatus().actionTitle(), false);
        break;
    case Kind::none:
    case Kind::hint:
        break;
    }
}

void ChargeLimitStatusRow::showFailure(const QString& message)
{
    const AppModel& model = *environment_.model;
    message_->setText(message);
    detail_->setText(limitRecoveryHint(model.helperStatus()));
    failureButton_->setText(limitRecoveryActionTitle(model.helperNeedsUpdate(), model.helperStatus()));
    failureButton_->setEnabled(!model.helperStatus().isBusy());
}

void ChargeLimitStatusRow::showHelperRow(const QString& symbol, const QString& text, const QString& action,
                                         bool prominent)
{
    helperSymbol_->setName(symbol);
    helperText_->setText(text);
    helperButton_->setVisible(!prominent);
    helperProminentButton_->setVisible(prominent);
    VelkoraButton* button = prominent ? helperProminentButton_ : helperButton_;
    button->setText(action);
}

}  // namespace velkora
