#include "VisualKit/SettingsRow.h"

#include "VisualKit/HelpLink.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"

#include "Services/AppLanguage.h"

#include <QHBoxLayout>

namespace velkora {

SettingsRow::SettingsRow(const QString& symbol, const QString& titleKey, const std::optional<QString>& helpKey,
                         QWidget* accessory, QWidget* parent)
    : QWidget(parent), accessory_(accessory)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(13);
    symbol_ = new SymbolView(symbol, 17, QFont::Medium, ForegroundStyle::secondary, this);
    symbol_->setFrame(QSize(24, qCeil(SymbolImage::side(17))));
    title_ = new VelkoraLabel(localized(titleKey), VelkoraFont::system(17, QFont::DemiBold), ForegroundStyle::primary,
                              this);
    title_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    layout->addWidget(symbol_, 0, Qt::AlignVCenter);
    layout->addWidget(title_, 0, Qt::AlignVCenter);
    if (helpKey) {
        help_ = new HelpLink(*helpKey, this);
        layout->addWidget(help_, 0, Qt::AlignVCenter);
    }
    layout->addStretch(1);
    if (accessory) {
        accessory->setParent(this);
        layout->addWidget(accessory, 0, Qt::AlignVCenter);
    }
    setMinimumHeight(minimumRowHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

}  // namespace velkora
