#include "Window/HelperPermissionBanner.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

QColor orangeOutline()
{
    QColor outline = VelkoraTheme::systemOrange();
    outline.setAlphaF(0.35f);
    return outline;
}

}  // namespace

HelperPermissionBanner::HelperPermissionBanner(std::function<void()> openSettings, QWidget* parent)
    : BannerCapsule(orangeOutline(), parent)
{
    setObjectName(QStringLiteral("approval-banner"));
    auto* symbol = new SymbolView(QStringLiteral("lock.trianglebadge.exclamationmark.fill"), 15, QFont::Medium,
                                  ForegroundStyle::primary, this);
    symbol->setColor(VelkoraTheme::systemOrange());
    row()->addWidget(symbol, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout();
    texts->setSpacing(2);
    texts->addWidget(new VelkoraLabel(
        L(QStringLiteral("Tallowmere Needs Background Permission"), QStringLiteral("Tallowmere 需要后台运行权限")),
        VelkoraFont::system(13, QFont::DemiBold), ForegroundStyle::primary, this));
    texts->addWidget(new VelkoraLabel(
        L(QStringLiteral("Allow Tallowmere in System Settings → General → Login Items & Extensions."),
          QStringLiteral("请在“系统设置 → 通用 → 登录项与扩展”中允许 Tallowmere。")),
        VelkoraFont::caption(), ForegroundStyle::secondary, this));
    row()->addLayout(texts);

    resolve_ = new VelkoraButton(L(QStringLiteral("Resolve Now"), QStringLiteral("立即解决")),
                                 VelkoraButton::Style::prominent, this);
    resolve_->setObjectName(QStringLiteral("approval-banner-resolve"));
    resolve_->setControlSize(VelkoraButton::Size::small);
    resolve_->setTint(VelkoraTheme::systemOrange());
    connect(resolve_, &VelkoraButton::clicked, this, [openSettings = std::move(openSettings)] { openSettings(); });
    row()->addWidget(resolve_, 0, Qt::AlignVCenter);
}

}  // namespace velkora
