#pragma once

#include <filesystem>
#include <functional>
#include <optional>

class QMimeData;

namespace velkora {

// What the approval guide's application card carries when dragged into a
// permission list: the application bundle, preferably the installed one.
class BackgroundPermissionDragPayload {
public:
    BackgroundPermissionDragPayload() = delete;

    // The bundle to drag: `expectedAppURL` (the copy in /Applications) when
    // a file is there, else the running bundle.
    static std::filesystem::path appURL(const std::filesystem::path& expectedAppURL,
                                        const std::filesystem::path& bundleURL,
                                        const std::function<bool(const std::filesystem::path&)>& fileExists);

    // The drag's data: the URL of `appURL`, or when none is given of the
    // bundle appURL() picks for the installed copy and the running one.
    static QMimeData* itemProvider(std::optional<std::filesystem::path> appURL = std::nullopt);
};

}  // namespace velkora
