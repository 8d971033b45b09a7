#include "BundleResources.h"

#include "Bytes.h"
#include "CheckBudget.h"
#include "Security/SecurityError.h"
#include "Sha256.h"

namespace platform {

std::string BundleResources::mainExecutableOf(const std::filesystem::path& bundle)
{
    const std::filesystem::path folder = bundle / "Contents" / "MacOS";
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) {
        throw SecurityError(errSecCSBadObjectFormat, bundle.string() + " has no Contents/MacOS folder");
    }
    std::string found;
    for (const auto& entry : entries) {
        if (entry.is_regular_file()) {
            if (!found.empty()) {
                throw SecurityError(errSecCSBadObjectFormat, bundle.string() +
                                                                 " has more than one file in Contents/MacOS, so its "
                                                                 "main executable is ambiguous");
            }
            found = entry.path().filename().string();
        }
    }
    if (found.empty()) {
        throw SecurityError(errSecCSBadObjectFormat, bundle.string() + " has no main executable in Contents/MacOS");
    }
    return "Contents/MacOS/" + found;
}

bool BundleResources::isMainExecutablePath(const std::string& relativePath)
{
    constexpr std::string_view prefix = "Contents/MacOS/";
    if (!relativePath.starts_with(prefix)) {
        return false;
    }
    const std::string_view name = std::string_view(relativePath).substr(prefix.size());
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

std::map<std::string, std::string> BundleResources::seal(const std::filesystem::path& bundle,
                                                         const std::string& mainExecutable, CheckBudget* budget)
{
    std::map<std::string, std::string> seals;
    std::error_code error;
    std::filesystem::recursive_directory_iterator entries(bundle, error);
    for (; !error && entries != std::filesystem::recursive_directory_iterator(); entries.increment(error)) {
        const std::filesystem::directory_entry& entry = *entries;
        if (budget != nullptr) {
            budget->spendFile();
        }
        const std::string relative = entry.path().lexically_relative(bundle).generic_string();
        if (relative == mainExecutable || relative == codeResourcesPath) {
            continue;
        }
        const std::filesystem::file_status status = entry.symlink_status();
        if (std::filesystem::is_symlink(status)) {
            seals.emplace(relative, "symlink:" + std::filesystem::read_symlink(entry.path()).string());
        } else if (std::filesystem::is_regular_file(status)) {
            seals.emplace(relative, toHex(Sha256::ofFile(entry.path(), budget, false)));
        } else if (!std::filesystem::is_directory(status)) {
            throw SecurityError(errSecCSBadResource,
                                relative + " in " + bundle.string() + " is neither a file, a folder nor a link");
        }
    }
    if (error) {
        throw SecurityError(errSecCSInternalError, "cannot read the bundle " + bundle.string() + ": " + error.message());
    }
    return seals;
}

void BundleResources::compare(const std::map<std::string, std::string>& sealed,
                              const std::map<std::string, std::string>& found, const std::filesystem::path& bundle)
{
    auto recorded = sealed.begin();
    auto present = found.begin();
    while (recorded != sealed.end() || present != found.end()) {
        if (present == found.end() || (recorded != sealed.end() && recorded->first < present->first)) {
            throw SecurityError(errSecCSBadResource,
                                "the sealed file " + recorded->first + " is missing from " + bundle.string());
        }
        if (recorded == sealed.end() || present->first < recorded->first) {
            throw SecurityError(errSecCSBadResource,
                                "the file " + present->first + " was added to " + bundle.string() + " after signing");
        }
        if (recorded->second != present->second) {
            throw SecurityError(errSecCSBadResource,
                                "the file " + present->first + " in " + bundle.string() + " was modified after signing");
        }
        ++recorded;
        ++present;
    }
}

}  // namespace platform
