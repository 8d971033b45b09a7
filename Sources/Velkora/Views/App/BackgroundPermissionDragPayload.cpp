#include "App/BackgroundPermissionDragPayload.h"

#include "Foundation/Bundle.h"
#include "Services/AppIdentity.h"

#include <QMimeData>
#include <QUrl>

namespace velkora {

std::filesystem::path BackgroundPermissionDragPayload::appURL(
    const std::filesystem::path& expectedAppURL, const std::filesystem::path& bundleURL,
    const std::function<bool(const std::filesystem::path&)>& fileExists)
{
    return fileExists(expectedAppURL) ? expectedAppURL : bundleURL;
}

QMimeData* BackgroundPermissionDragPayload::itemProvider(std::optional<std::filesystem::path> appURL)
{
    const std::filesystem::path url =
        appURL ? *appURL
               : BackgroundPermissionDragPayload::appURL(AppIdentity::expectedAppURL(),
                                                         platform::Bundle::main().bundlePath(),
                                                         [](const std::filesystem::path& path) {
                                                             std::error_code ignored;
                                                             return std::filesystem::exists(path, ignored);
                                                         });
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(url.string()))});
    return data;
}

}  // namespace velkora
