#include <VelkoraCore/DaemonProtocolVersion.h>

namespace velkora::DaemonProtocolVersion {

const std::string& handshake()
{
    static const std::string text = "Velkora charging helper protocol " + std::to_string(current);
    return text;
}

}  // namespace velkora::DaemonProtocolVersion
