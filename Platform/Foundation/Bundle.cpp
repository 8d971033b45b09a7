#include "Foundation/Bundle.h"

#include "Foundation/NSError.h"
#include "Foundation/PropertyListSerialization.h"
#include "Foundation/StringsTable.h"
#include "Log/Logger.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

const Logger& log()
{
    static const Logger logger("com.velkora.platform", "Bundle");
    return logger;
}

std::optional<std::string> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

fs::path buildTreeResources(const fs::path& executableDirectory)
{
    std::error_code error;
    for (fs::path folder = executableDirectory; !folder.empty(); folder = folder.parent_path()) {
        if (fs::exists(folder / "CMakeCache.txt", error)) {
            return folder / "Resources";
        }
        if (folder == folder.root_path()) {
            break;
        }
    }
    return executableDirectory;
}

}  // namespace

Bundle::Bundle(fs::path bundlePath)
    : Bundle(bundlePath, bundlePath / "Contents" / "Resources", bundlePath / "Contents" / "Info.plist")
{
}

Bundle::Bundle(fs::path bundlePath, fs::path resourcesDirectory, const fs::path& infoPlist)
    : bundlePath_(std::move(bundlePath)), resourcesDirectory_(std::move(resourcesDirectory)),
      tables_(std::make_shared<TableCache>())
{
    const std::optional<std::string> bytes = infoPlist.empty() ? std::nullopt : readFile(infoPlist);
    if (!bytes) {
        return;
    }
    try {
        const PropertyList root = PropertyListSerialization::propertyList(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
        if (const auto* entries = root.get<PropertyList::Dictionary>()) {
            for (const auto& [key, value] : *entries) {
                if (const auto* text = value.get<std::string>()) {
                    info_.emplace(key, *text);
                } else if (const auto* flag = value.get<bool>()) {
                    info_.emplace(key, *flag);
                }
            }
            return;
        }
    } catch (const NSError&) {
    }
    log().error("Unreadable information dictionary %{public}s", infoPlist.string());
}

const Bundle& Bundle::main()
{
    static const Bundle bundle = [] {
        std::error_code error;
        const fs::path executable = fs::canonical("/proc/self/exe", error);
        const fs::path folder = executable.parent_path();
        if (!error && folder.filename() == "MacOS" && folder.parent_path().filename() == "Contents") {
            return Bundle(folder.parent_path().parent_path());
        }
        return Bundle(folder, buildTreeResources(folder), fs::path());
    }();
    return bundle;
}

std::optional<std::string> Bundle::infoString(std::string_view key) const
{
    if (const auto found = info_.find(key); found != info_.end()) {
        if (const auto* text = std::get_if<std::string>(&found->second)) {
            return *text;
        }
    }
    return std::nullopt;
}

std::optional<bool> Bundle::infoBool(std::string_view key) const
{
    if (const auto found = info_.find(key); found != info_.end()) {
        if (const auto* flag = std::get_if<bool>(&found->second)) {
            return *flag;
        }
    }
    return std::nullopt;
}

std::shared_ptr<const StringsTable> Bundle::table(std::string_view localization) const
{
    std::lock_guard lock(tables_->mutex);
    if (const auto found = tables_->tables.find(localization); found != tables_->tables.end()) {
        return found->second;
    }
    std::shared_ptr<const StringsTable> loaded;
    const fs::path path = resourcesDirectory_ / (std::string(localization) + ".lproj") / "Localizable.strings";
    if (const std::optional<std::string> text = readFile(path)) {
        try {
            loaded = std::make_shared<const StringsTable>(StringsTable::parse(*text));
        } catch (const StringsTableError& failure) {
            log().error("Ignoring string table %{public}s: %{public}s", path.string(), failure.what());
        }
    }
    tables_->tables.emplace(std::string(localization), loaded);
    return loaded;
}

std::string Bundle::localizedString(std::string_view key, std::string_view localization) const
{
    if (const auto strings = table(localization)) {
        if (std::optional<std::string> text = strings->value(key)) {
            return *std::move(text);
        }
    }
    return std::string(key);
}

}  // namespace platform
