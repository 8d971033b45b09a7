#include "Window/NoBatteryView.h"

#include "VisualKit/SymbolTile.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"


#include <algorithm>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int tileSide = 92;

}  // namespace

NoBatteryView::NoBatteryView(std::function<void()> openSettings, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("no-battery"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(18);
    layout->addStretch(1);
    layout->addWidget(new SymbolTile(QStringLiteral("desktopcomputer"), tileSide, 54, QFont::Medium, 26, this), 0,
                      Qt::AlignHCenter);

    auto* texts = new QVBoxLayout();
    texts->setSpacing(7);
    auto* title = new VelkoraLabel(L(QStringLiteral("No Built-in Battery Detected"), QStringLiteral("未检测到内置电池")),
                                   VelkoraFont::rounded(24, QFont::Bold), ForegroundStyle::primary, this);
    title->setAlignment(Qt::AlignHCenter);
    texts->addWidget(title, 0, Qt::AlignHCenter);
    auto* detail = new VelkoraLabel(
        L(QStringLiteral("This Mac has no built-in battery. Open the energy dashboard for power and high-energy apps."),
          QStringLiteral("这台 Mac 没有内置电池。请在能耗看板查看功率与高能耗应用。")),
        VelkoraFont::system(14, QFont::Medium), ForegroundStyle::secondary, this);
    detail->setObjectName(QStringLiteral("no-battery-detail"));
    detail->setAlignment(Qt::AlignHCenter);
    detail->setWordWrap(true);
    // As wide as the text, up to 520 points, beyond which it wraps; a label
    // placed with an alignment gets only its one-line height unless told.
    const int detailWidth = std::min(520, QFontMetrics(detail->font()).horizontalAdvance(detail->text()) + 2);
    detail->setFixedSize(detailWidth, detail->heightForWidth(detailWidth));
    texts->addWidget(detail, 0, Qt::AlignHCenter);
    layout->addLayout(texts);

    button_ = new VelkoraButton(L(QStringLiteral("Open Energy Dashboard"), QStringLiteral("打开能耗看板")),
                                VelkoraButton::Style::prominent, this);
    button_->setObjectName(QStringLiteral("no-battery-open-dashboard"));
    connect(button_, &VelkoraButton::clicked, this, [openSettings = std::move(openSettings)] { openSettings(); });
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}

}  // namespace velkora
