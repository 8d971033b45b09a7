#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One launchable application of the XDG desktop entries.
struct DesktopEntry {
    std::string program;  // an absolute path, or a bare file name looked up in PATH
    std::string name;     // Name in the user's language, else the plain Name
    std::optional<std::string> icon;
};

// The desktop entries of $XDG_DATA_HOME/applications and of each
// $XDG_DATA_DIRS/*/applications, read once and read again only when one of
// those folders changes. An entry id (its path below "applications", '/'
// replaced by '-') met again in a later folder is shadowed by the earlier one.
class DesktopEntryCatalog {
public:
    static std::vector<DesktopEntry> entries();

    // The program an Exec value starts: its first word, after an "env" and
    // its NAME=value words; quotes and escapes removed.
    static std::optional<std::string> programOfExec(const std::string& exec);
};

}  // namespace platform
