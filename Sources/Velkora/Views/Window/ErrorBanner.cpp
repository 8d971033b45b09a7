#include "Window/ErrorBanner.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QTextLayout>

namespace velkora {

namespace {

constexpr int maximumLines = 2;

// `text` on one paragraph laid out `width` wide in `font`, cut within the
// second line with an ellipsis when it needs more.
QString twoLines(QString text, const QFont& font, int width)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maximumLines - 1) {
            lines.append(QFontMetrics(font).elidedText(text.mid(line.textStart()).trimmed(), Qt::ElideRight, width));
            break;
        }
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

ErrorBanner::ErrorBanner(const QString& message, std::function<void()> dismiss, QWidget* parent)
    : BannerCapsule([] {
          QColor outline = Qt::white;
          outline.setAlphaF(0.16f);
          return outline;
      }(),
                    parent)
{
    setObjectName(QStringLiteral("error-banner"));
    auto* symbol = new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 15, QFont::Medium,
                                  ForegroundStyle::primary, this);
    symbol->setColor(VelkoraTheme::systemYellow());
    row()->addWidget(symbol, 0, Qt::AlignVCenter);

    const QFont font = VelkoraFont::system(13, QFont::Medium);
    const int natural = QFontMetrics(font).horizontalAdvance(message);
    message_ = new VelkoraLabel(twoLines(message, font, maximumMessageWidth), font, ForegroundStyle::primary, this);
    message_->setObjectName(QStringLiteral("error-banner-message"));
    message_->setAccessibleName(message);
    message_->setFixedWidth(std::min(natural + 2, maximumMessageWidth));
    row()->addWidget(message_, 0, Qt::AlignVCenter);

    close_ = new VelkoraButton(QStringLiteral("xmark"), QString(), VelkoraButton::Style::plain, this);
    close_->setObjectName(QStringLiteral("error-banner-close"));
    close_->setAccessibleName(L(QStringLiteral("Close"), QStringLiteral("关闭")));
    close_->setToolTip(close_->accessibleName());
    connect(close_, &VelkoraButton::clicked, this, [dismiss = std::move(dismiss)] { dismiss(); });
    row()->addWidget(close_, 0, Qt::AlignVCenter);
}

QString ErrorBanner::shownMessage() const
{
    return message_->text();
}

}  // namespace velkora
