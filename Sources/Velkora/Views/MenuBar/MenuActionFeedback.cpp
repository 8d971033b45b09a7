#include "MenuBar/MenuActionFeedback.h"

#include "VisualKit/ColorMixing.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QPainter>

namespace velkora {

namespace {

constexpr int padding = 11;
constexpr qreal cornerRadius = 13;
constexpr qreal fillOpacity = 0.09;
constexpr qreal borderOpacity = 0.22;

}  // namespace

MenuActionFeedback::MenuActionFeedback(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    setObjectName(QStringLiteral("menu-feedback"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    AppModel* model = environment_.model;
    for (auto signal : {&AppModel::helperStatusChanged, &AppModel::helperNeedsUpdateChanged,
                        &AppModel::lastErrorChanged, &AppModel::chargeLimitErrorChanged}) {
        connect(model, signal, this, &MenuActionFeedback::follow);
    }
    state_ = MenuFeedbackState::of(*model);
    build();
    setVisible(isShowing());
}

void MenuActionFeedback::follow()
{
    const MenuFeedbackState state = MenuFeedbackState::of(*environment_.model);
    if (state == state_) {
        return;
    }
    const bool wasShowing = isShowing();
    state_ = state;
    const std::optional<Animation> animation = VelkoraMotion::panelChange(environment_.reducesMotion());
    if (isShowing()) {
        build();
    }
    if (!animation || !parentWidget()) {
        setVisible(isShowing());
        return;
    }
    if (wasShowing && isShowing()) {
        // Another message: the new block comes in where the old one was.
        hide();
    }
    VelkoraMotion::present(this, isShowing(), VelkoraMotion::conditionalTransition(false, Qt::TopEdge), *animation);
}

void MenuActionFeedback::build()
{
    delete content_;
    content_ = nullptr;
    message_ = nullptr;
    action_ = nullptr;
    switch (state_.kind) {
    case MenuFeedbackState::Kind::approval: approvalRow(); break;
    case MenuFeedbackState::Kind::helperUpdate:
        banner(QStringLiteral("arrow.triangle.2.circlepath"),
               L(QStringLiteral("The background service is outdated; update it before using quick actions."),
                 QStringLiteral("后台服务版本较旧，请先更新后再使用快捷操作。")),
               VelkoraTheme::warm());
        break;
    case MenuFeedbackState::Kind::error:
        banner(QStringLiteral("exclamationmark.triangle.fill"), state_.message, VelkoraTheme::systemOrange());
        break;
    case MenuFeedbackState::Kind::none: break;
    }
    update();
}

void MenuActionFeedback::approvalRow()
{
    tint_ = VelkoraTheme::systemOrange();
    border_ = false;
    content_ = new QWidget(this);
    auto* row = new QHBoxLayout(content_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* symbol = new SymbolView(QStringLiteral("lock.trianglebadge.exclamationmark.fill"), 13, QFont::Normal,
                                  ForegroundStyle::primary, content_);
    symbol->setColor(tint_);
    row->addWidget(symbol);
    message_ = new VelkoraLabel(L(QStringLiteral("Allow Tallowmere to Run in the Background"),
                                  QStringLiteral("需要允许 Tallowmere 在后台运行")),
                                VelkoraFont::system(12, QFont::Medium), ForegroundStyle::primary, content_);
    row->addWidget(message_);
    row->addStretch(1);
    action_ = new VelkoraButton(L(QStringLiteral("Resolve Now"), QStringLiteral("立即解决")),
                                VelkoraButton::Style::prominent, content_);
    action_->setObjectName(QStringLiteral("menu-resolve"));
    action_->setControlSize(VelkoraButton::Size::small);
    action_->setTint(tint_);
    connect(action_, &QAbstractButton::clicked, environment_.model, &AppModel::performPrimaryHelperAction);
    row->addWidget(action_);
    layout()->addWidget(content_);
}

void MenuActionFeedback::banner(const QString& symbolName, const QString& message, const QColor& tint)
{
    tint_ = tint;
    border_ = true;
    content_ = new QWidget(this);
    auto* row = new QHBoxLayout(content_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* symbol = new SymbolView(symbolName, 13, QFont::Normal, ForegroundStyle::primary, content_);
    symbol->setColor(tint);
    row->addWidget(symbol, 0, Qt::AlignVCenter);
    message_ = new VelkoraLabel(message, VelkoraFont::system(12, QFont::Medium), ForegroundStyle::secondary, content_);
    message_->setWordWrap(true);
    message_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    row->addWidget(message_, 1);
    row->addSpacing(4);
    action_ = new VelkoraButton(localized(QStringLiteral("打开主窗口")), VelkoraButton::Style::bordered, content_);
    action_->setObjectName(QStringLiteral("menu-open-main-window"));
    action_->setControlSize(VelkoraButton::Size::small);
    connect(action_, &QAbstractButton::clicked, this, [this] {
        if (environment_.openMainWindow) {
            environment_.openMainWindow();
        }
    });
    row->addWidget(action_, 0, Qt::AlignVCenter);
    layout()->addWidget(content_);
}

void MenuActionFeedback::paintEvent(QPaintEvent*)
{
    // A block that leaves keeps its look until it is gone.
    if (!content_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius);
    painter.fillPath(shape, withOpacity(tint_, fillOpacity));
    if (border_) {
        painter.strokePath(shape, QPen(withOpacity(tint_, borderOpacity), 1.0));
    }
}

}  // namespace velkora
