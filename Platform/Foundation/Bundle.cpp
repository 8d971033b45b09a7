#include "Foundation/Bundle.h"

#include "Foundation/StringsTable.h"
#include "Log/Logger.h"

#include <plist/plist.h>

#include <cstdlib>
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
    plist_t root = nullptr;
    plist_from_memory(bytes->data(), static_cast<uint32_t>(bytes->size()), &root);
    if (root == nullptr || plist_get_node_type(root) != PLIST_DICT) {
        log().error("Unreadable information dictionary %{public}s", infoPlist.string());
        plist_free(root);
        return;
    }
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(root, &iterator);
    while (true) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root, iterator, &key, &value);
        if (key == nullptr) {
            break;
        }
        if (plist_get_node_type(value) == PLIST_STRING) {
            char* text = nullptr;
            plist_get_string_val(value, &text);
            info_.emplace(key, std::string(text != nullptr ? text : ""));
            free(text);
        } else if (plist_get_node_type(value) == PLIST_BOOLEAN) {
            uint8_t flag = 0;
            plist_get_bool_val(value, &flag);
            info_.emplace(key, flag != 0);
        }
        free(key);
    }
    free(iterator);
    plist_free(root);
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
