#include "Shortcuts/ShortcutsView.h"

#include "VisualKit/Divider.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraTheme.h"

#include "AppKit/NSWorkspace.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr qreal shortcutDividerOpacity = 0.32;
constexpr int symbolColumnWidth = 28;

PageFrame::Metrics pageMetrics()
{
    PageFrame::Metrics metrics;
    metrics.padding = QMargins(30, 50, 30, 30);
    return metrics;
}

}  // namespace

const std::array<ShortcutsView::Shortcut, 14> ShortcutsView::shortcuts = {{
    {u"充满", u"将充电限制设为 100% 并开始充电。", "battery.100percent.bolt"},
    {u"暂停充电", u"将充电限制设置为当前电池百分比。", "pause.circle"},
    {u"开始放电", u"连接电源时主动使用电池供电。", "bolt.slash"},
    {u"启动校准模式", u"启动完整的电池重新校准程序。", "slider.horizontal.3"},
    {u"设置充电限制", u"设置特定的充电限制百分比。", "gauge.with.dots.needle.67percent"},
    {u"获取电池百分比", u"返回当前电池百分比。", "percent"},
    {u"获取充电限制", u"返回 Tallowmere 当前充电限制。", "battery.75percent"},
    {u"获取状态", u"返回当前充电、放电或保护状态。", "info.circle"},
    {u"获取温度", u"返回 MacBook 电池温度。", "thermometer.medium"},
    {u"设置 MagSafe LED", u"控制 MagSafe 充电指示灯。", "light.beacon.max"},
    {u"启用低功耗模式", u"启用指定电源来源的低功耗模式。", "leaf.fill"},
    {u"禁用低功耗模式", u"恢复自动能源模式。", "leaf"},
    {u"启用高功率模式", u"启用支持机型的高功率模式。", "flame.fill"},
    {u"禁用高功率模式", u"恢复自动能源模式。", "flame"},
}};

ShortcutsView::ShortcutsView(const ViewEnvironment& environment, QWidget* parent) : PageFrame(pageMetrics(), parent)
{
    setObjectName(QStringLiteral("shortcuts"));

    auto* header = new QWidget(this);
    header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->addWidget(new PageTitle(QStringLiteral("square.3.layers.3d"), QStringLiteral("可用的苹果快捷键"), header));
    headerLayout->addStretch(1);
    open_ = new VelkoraButton(QStringLiteral("arrow.up.forward.app"), localized(QStringLiteral("打开快捷指令应用程序")),
                              VelkoraButton::Style::bordered, header);
    open_->setObjectName(QStringLiteral("open-shortcuts"));
    // Whether it opened is not looked at: without the application there is
    // nothing the page could offer instead.
    connect(open_, &VelkoraButton::clicked, this,
            [] { platform::NSWorkspace::shared().openURL(shortcutsApplicationPath); });
    headerLayout->addWidget(open_);
    addSection(header);

    auto* panel = new VelkoraPanel(environment, this);
    panel->contentLayout()->setSpacing(0);
    for (std::size_t index = 0; index < shortcuts.size(); ++index) {
        QWidget* row = makeRow(shortcuts[index], panel);
        rows_.append(row);
        panel->contentLayout()->addWidget(row);
        if (index + 1 < shortcuts.size()) {
            auto* divider = new Divider(shortcutDividerOpacity, Qt::Horizontal, panel);
            dividers_.append(divider);
            panel->contentLayout()->addWidget(divider);
        }
    }
    addSection(panel);
}

QWidget* ShortcutsView::makeRow(const Shortcut& shortcut, QWidget* parent)
{
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("shortcut-row"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 11, 0, 11);
    layout->setSpacing(14);

    auto* symbol = new SymbolView(QString::fromLatin1(shortcut.symbol), 17, QFont::Medium, ForegroundStyle::primary, row);
    symbol->setColor(VelkoraTheme::accent());
    symbol->setFrame(QSize(symbolColumnWidth, symbol->sizeHint().height()));
    layout->addWidget(symbol);

    auto* title = new VelkoraLabel(QString::fromUtf16(shortcut.title), VelkoraFont::system(16, QFont::Bold),
                                   ForegroundStyle::primary, row);
    title->setObjectName(QStringLiteral("shortcut-title"));
    title->setFixedWidth(titleColumnWidth);
    layout->addWidget(title);

    auto* detail = new VelkoraLabel(QString::fromUtf16(shortcut.detail), VelkoraFont::body(),
                                    ForegroundStyle::secondary, row);
    detail->setObjectName(QStringLiteral("shortcut-detail"));
    layout->addWidget(detail);
    layout->addStretch(1);
    return row;
}

}  // namespace velkora
