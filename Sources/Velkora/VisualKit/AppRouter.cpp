#include "VisualKit/AppRouter.h"

namespace velkora {

QString identifier(AppSheetDestination destination)
{
    switch (destination) {
    case AppSheetDestination::onboarding: return QStringLiteral("onboarding");
    }
    return QStringLiteral("onboarding");
}

AppRouter::AppRouter(QObject* parent) : QObject(parent) {}

void AppRouter::setPresentedSheet(std::optional<AppSheetDestination> destination)
{
    presentedSheet_ = destination;
    emit presentedSheetChanged(destination);
}

}  // namespace velkora
