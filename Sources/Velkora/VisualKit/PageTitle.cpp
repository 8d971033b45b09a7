#include "VisualKit/PageTitle.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"

#include "Services/AppLanguage.h"

#include <QHBoxLayout>

namespace velkora {

PageTitle::PageTitle(const QString& symbol, const QString& titleKey, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    symbol_ = new SymbolView(symbol, 19, QFont::DemiBold, ForegroundStyle::primary, this);
    title_ = new VelkoraLabel(localized(titleKey), VelkoraFont::system(21, QFont::Bold), ForegroundStyle::primary, this);
    layout->addWidget(symbol_, 0, Qt::AlignVCenter);
    layout->addWidget(title_, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

}  // namespace velkora
