#include "Window/PageHost.h"

#include "VisualKit/PageTitle.h"

namespace velkora {

PageHost::PageHost(SidebarRoute route, QWidget* parent) : PageFrame(parent), route_(route)
{
    setObjectName(QStringLiteral("page-host-") + QString::fromLatin1(rawValue(route)));
    // The route's title is already in the user's language; a text that is
    // no key of the string table passes the title's lookup unchanged.
    addSection(new PageTitle(QString::fromLatin1(symbol(route)), title(route)));
}

}  // namespace velkora
