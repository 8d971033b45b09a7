#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace platform {

class StringsTable;

// A bundle on disk: "<Name>.app/Contents/Info.plist", the executable in
// Contents/MacOS and the resources (string tables in <lang>.lproj folders) in
// Contents/Resources.
class Bundle {
public:
    // The bundle folder ("<Name>.app"). Info.plist is read once, here; a
    // missing or unreadable one leaves the information dictionary empty.
    explicit Bundle(std::filesystem::path bundlePath);

    // The bundle of the running executable: the .app that holds it when it
    // runs from Contents/MacOS. Otherwise (a program run from the build tree)
    // the executable's folder, without an information dictionary, whose
    // resources are the "Resources" folder of the enclosing build tree (the
    // nearest folder above the executable that holds CMakeCache.txt).
    static const Bundle& main();

    const std::filesystem::path& bundlePath() const { return bundlePath_; }
    const std::filesystem::path& resourcesDirectory() const { return resourcesDirectory_; }

    // Scalar entries of the information dictionary (Info.plist).
    std::optional<std::string> infoString(std::string_view key) const;
    std::optional<bool> infoBool(std::string_view key) const;
    std::optional<std::string> bundleIdentifier() const { return infoString("CFBundleIdentifier"); }

    // The text of `key` in the table "Localizable" for `localization` (a
    // folder name such as "en" or "zh-Hans"): the table's entry, or the key
    // itself when there is no such table or entry. Tables are read once and
    // kept; safe to call from any thread.
    std::string localizedString(std::string_view key, std::string_view localization) const;

private:
    using InfoValue = std::variant<std::string, bool>;
    struct TableCache {
        std::mutex mutex;
        std::map<std::string, std::shared_ptr<const StringsTable>, std::less<>> tables;
    };

    Bundle(std::filesystem::path bundlePath, std::filesystem::path resourcesDirectory,
           const std::filesystem::path& infoPlist);
    std::shared_ptr<const StringsTable> table(std::string_view localization) const;

    std::filesystem::path bundlePath_;
    std::filesystem::path resourcesDirectory_;
    std::map<std::string, InfoValue, std::less<>> info_;
    std::shared_ptr<TableCache> tables_;
};

}  // namespace platform
