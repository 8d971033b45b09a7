#include "ErrorDescription.h"

#include "Foundation/NSError.h"
#include "Services/AppInstallationError.h"
#include "Services/ClientError.h"

namespace velkora {

QString localizedDescription(const std::exception& error)
{
    if (const auto* client = dynamic_cast<const ClientError*>(&error)) {
        return client->errorDescription();
    }
    if (const auto* installation = dynamic_cast<const AppInstallationError*>(&error)) {
        return installation->errorDescription();
    }
    if (const auto* platformError = dynamic_cast<const platform::NSError*>(&error)) {
        return QString::fromStdString(platformError->localizedDescription());
    }
    return QString::fromUtf8(error.what());
}

}  // namespace velkora
