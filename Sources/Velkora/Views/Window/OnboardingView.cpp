#include "Window/OnboardingView.h"

#include "Window/ApplicationIcon.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/PanelShadowImage.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "UserDefaults/UserDefaults.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace velkora {

namespace {

const QString completedKey = QStringLiteral("hasCompletedOnboarding");
constexpr ColorAppearance sheetAppearance = ColorAppearance::dark;
constexpr int iconSide = 92;
constexpr int iconShadowBlur = 18;
constexpr int iconShadowDrop = 10;

VelkoraLabel* darkLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent)
{
    auto* label = new VelkoraLabel(text, font, ForegroundStyle::primary, parent);
    label->setColor(color);
    return label;
}

// One feature card: white at 0.065 in a rounded rectangle with the border.
class FeatureCard : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 17);
        painter.fillPath(shape, VelkoraTheme::track(sheetAppearance));
        painter.strokePath(shape, QPen(VelkoraTheme::border(sheetAppearance), 1));
    }
};

}  // namespace

bool OnboardingView::hasCompletedOnboarding()
{
    return platform::UserDefaults::standard().boolForKey(completedKey);
}

void OnboardingView::setHasCompletedOnboarding(bool completed)
{
    platform::UserDefaults::standard().set(completedKey, completed);
}

OnboardingView::OnboardingView(const ViewEnvironment& environment, std::function<void()> finish, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("onboarding"));
    setFixedWidth(sheetWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(34, 34, 34, 34);
    layout->setSpacing(24);

    icon_ = new QLabel(this);
    icon_->setPixmap(ApplicationIcon::pixmap(iconSide, devicePixelRatioF()));
    icon_->setFixedSize(iconSide, iconSide);
    layout->addWidget(icon_, 0, Qt::AlignHCenter);

    auto* title = darkLabel(L(QStringLiteral("Welcome to Tallowmere"), QStringLiteral("欢迎使用 Tallowmere")),
                            VelkoraFont::system(28, QFont::Bold), VelkoraTheme::label(sheetAppearance), this);
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title, 0, Qt::AlignHCenter);

    auto* features = new QHBoxLayout();
    features->setSpacing(12);
    features->addWidget(makeFeature(QStringLiteral("battery.75percent"), QStringLiteral("充电上限"),
                                    QStringLiteral("预设 60% 至 100% 的充电上限，从第一天起保护电池。"),
                                    VelkoraTheme::energy()), 1);
    features->addWidget(makeFeature(QStringLiteral("waveform.path.ecg"), QStringLiteral("实时监控"),
                                    QStringLiteral("每秒查看电量、温度、输入功率与系统负载。"), VelkoraTheme::accent()), 1);
    features->addWidget(makeFeature(QStringLiteral("menubar.rectangle"), QStringLiteral("菜单栏状态"),
                                    QStringLiteral("无需打开主窗口，也能随时了解电池变化。"), VelkoraTheme::green()), 1);
    layout->addLayout(features);

    layout->addWidget(makeServiceNote(environment));

    auto* bottom = new QHBoxLayout();
    bottom->addStretch(1);
    start_ = new VelkoraButton(localized(QStringLiteral("开始使用")), VelkoraButton::Style::prominent, this);
    start_->setObjectName(QStringLiteral("onboarding-start"));
    start_->setControlSize(VelkoraButton::Size::large);
    bottom->addWidget(start_);
    layout->addLayout(bottom);

    auto run = std::make_shared<std::function<void()>>(std::move(finish));
    connect(start_, &VelkoraButton::clicked, this, [run] { (*run)(); });
}

void OnboardingView::keyPressEvent(QKeyEvent* event)
{
    // Return anywhere in the sheet is the start button, as a default button is.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        start_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

QWidget* OnboardingView::makeFeature(const QString& symbol, const QString& titleKey, const QString& detailKey,
                                     const QColor& color)
{
    auto* card = new FeatureCard(this);
    card->setObjectName(QStringLiteral("onboarding-feature"));
    // The three share the row's width equally, whatever their texts.
    card->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    card->setMinimumHeight(105 + 2 * 15);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(15, 15, 15, 15);
    layout->setSpacing(9);
    auto* image = new SymbolView(symbol, 21, QFont::DemiBold, ForegroundStyle::primary, card);
    image->setColor(color);
    layout->addWidget(image, 0, Qt::AlignLeft);
    layout->addWidget(darkLabel(localized(titleKey), VelkoraFont::system(15, QFont::Bold),
                                VelkoraTheme::label(sheetAppearance), card));
    auto* detail = darkLabel(localized(detailKey), VelkoraFont::caption(), VelkoraTheme::secondaryLabel(sheetAppearance),
                             card);
    detail->setWordWrap(true);
    layout->addWidget(detail);
    layout->addStretch(1);
    return card;
}

QWidget* OnboardingView::makeServiceNote(const ViewEnvironment& environment)
{
    VelkoraPanel::Metrics metrics;
    metrics.cornerRadius = 18;
    metrics.padding = 15;
    auto* panel = new VelkoraPanel(environment, metrics, this);
    panel->setAppearance(sheetAppearance);
    auto* row = new QHBoxLayout();
    row->setSpacing(12);
    auto* shield = new SymbolView(QStringLiteral("checkmark.shield.fill"), 24, QFont::Normal, ForegroundStyle::primary,
                                  panel);
    shield->setColor(VelkoraTheme::energy());
    row->addWidget(shield, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(3);
    texts->addWidget(darkLabel(localized(QStringLiteral("充电控制需要后台服务")), VelkoraFont::system(15, QFont::DemiBold),
                               VelkoraTheme::label(sheetAppearance), panel));
    auto* detail = darkLabel(localized(QStringLiteral("首次设置充电上限时，按系统提示开启后台服务即可。")),
                             VelkoraFont::caption(), VelkoraTheme::secondaryLabel(sheetAppearance), panel);
    detail->setWordWrap(true);
    texts->addWidget(detail);
    row->addLayout(texts, 1);
    panel->contentLayout()->addLayout(row);
    return panel;
}

void OnboardingView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(QPointF(0, 0), QPointF(width(), height()));
    background.setColorAt(0, VelkoraTheme::sheetBackgroundTop());
    background.setColorAt(1, VelkoraTheme::sheetBackgroundBottom());
    painter.fillRect(rect(), background);
    painter.setPen(QPen(VelkoraTheme::border(sheetAppearance), 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    // The icon's shadow, under the icon and beyond its frame.
    QColor shade = Qt::black;
    shade.setAlphaF(0.3f);
    const QRect icon = icon_->geometry();
    const QImage shadow = panelShadowImage(icon.size(), iconSide * 0.23, iconShadowBlur, shade);
    painter.drawImage(icon.topLeft() + QPoint(-iconShadowBlur, iconShadowDrop - iconShadowBlur), shadow);
}

}  // namespace velkora
