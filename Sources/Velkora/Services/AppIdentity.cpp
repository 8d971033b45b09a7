#include "Services/AppIdentity.h"

#include "Foundation/Bundle.h"
#include "Foundation/SimulatedRoot.h"

namespace velkora {

const std::filesystem::path& AppIdentity::expectedAppURL()
{
    static const std::filesystem::path url = platform::SimulatedRoot::resolve("/Applications/Tallowmere.app");
    return url;
}

std::string AppIdentity::build()
{
    return platform::Bundle::main().infoString("CFBundleVersion").value_or("unknown");
}

std::string AppIdentity::version()
{
    return platform::Bundle::main().infoString("CFBundleShortVersionString").value_or("unknown");
}

}  // namespace velkora
