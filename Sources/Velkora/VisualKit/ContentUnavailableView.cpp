#include "VisualKit/ContentUnavailableView.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"

#include "Services/AppLanguage.h"

#include <QVBoxLayout>

namespace velkora {

ContentUnavailableView::ContentUnavailableView(const QString& symbol, const QString& titleKey,
                                               const QString& description, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(8);
    layout->addStretch(1);
    auto* image = new SymbolView(symbol, 32, QFont::Medium, ForegroundStyle::secondary, this);
    layout->addWidget(image, 0, Qt::AlignHCenter);
    layout->addSpacing(4);
    title_ = new VelkoraLabel(localized(titleKey), VelkoraFont::system(17, QFont::Bold), ForegroundStyle::primary,
                              this);
    title_->setAlignment(Qt::AlignHCenter);
    title_->setWordWrap(true);
    layout->addWidget(title_);
    if (!description.isEmpty()) {
        description_ = new VelkoraLabel(description, VelkoraFont::system(13), ForegroundStyle::secondary, this);
        description_->setAlignment(Qt::AlignHCenter);
        description_->setWordWrap(true);
        layout->addWidget(description_);
    }
    layout->addStretch(1);
}

}  // namespace velkora
