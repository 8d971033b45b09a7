#include "DesktopEntryCatalog.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::vector<fs::path> applicationFolders()
{
    std::vector<fs::path> folders;
    std::string dataHome = environment("XDG_DATA_HOME");
    if (dataHome.empty() && !environment("HOME").empty()) {
        dataHome = environment("HOME") + "/.local/share";
    }
    if (!dataHome.empty()) {
        folders.emplace_back(fs::path(dataHome) / "applications");
    }
    std::string dataDirs = environment("XDG_DATA_DIRS");
    if (dataDirs.empty()) {
        dataDirs = "/usr/local/share:/usr/share";
    }
    std::istringstream list(dataDirs);
    for (std::string folder; std::getline(list, folder, ':');) {
        if (!folder.empty()) {
            folders.emplace_back(fs::path(folder) / "applications");
        }
    }
    return folders;
}

// The user's language as desktop entries name it ("zh_CN", then "zh").
std::vector<std::string> nameSuffixes()
{
    std::string language;
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        language = environment(variable);
        if (!language.empty()) {
            break;
        }
    }
    language = language.substr(0, language.find(':'));
    language = language.substr(0, language.find('.'));
    language = language.substr(0, language.find('@'));
    std::vector<std::string> suffixes;
    if (language.empty() || language == "C" || language == "POSIX") {
        return suffixes;
    }
    suffixes.push_back(language);
    if (const size_t underscore = language.find('_'); underscore != std::string::npos) {
        suffixes.push_back(language.substr(0, underscore));
    }
    return suffixes;
}

std::optional<DesktopEntry> readEntry(const fs::path& path, const std::vector<std::string>& suffixes)
{
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    std::map<std::string, std::string> keys;
    bool inMainGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inMainGroup || equals == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ') {
            key.pop_back();
        }
        size_t start = equals + 1;
        while (start < line.size() && line[start] == ' ') {
            ++start;
        }
        keys.emplace(std::move(key), line.substr(start));
    }
    if (keys["Type"] != "Application" || keys["Hidden"] == "true") {
        return std::nullopt;
    }
    std::optional<std::string> program;
    if (!keys["TryExec"].empty()) {
        program = keys["TryExec"];
    } else {
        program = DesktopEntryCatalog::programOfExec(keys["Exec"]);
    }
    if (!program || program->empty()) {
        return std::nullopt;
    }
    std::string name = keys["Name"];
    for (const std::string& suffix : suffixes) {
        if (const auto found = keys.find("Name[" + suffix + "]"); found != keys.end() && !found->second.empty()) {
            name = found->second;
            break;
        }
    }
    if (name.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> icon;
    if (!keys["Icon"].empty()) {
        icon = keys["Icon"];
    }
    return DesktopEntry{*program, name, icon};
}

struct Snapshot {
    std::vector<std::pair<fs::path, fs::file_time_type>> folders;
    std::string languageSuffixes;
    std::vector<DesktopEntry> entries;
};

std::string joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& part : parts) {
        out += part + ";";
    }
    return out;
}

// Every folder below the application folders, with its modification time, so
// that a new or removed entry anywhere is noticed.
std::vector<std::pair<fs::path, fs::file_time_type>> foldersWithTimes(const std::vector<fs::path>& roots)
{
    std::vector<std::pair<fs::path, fs::file_time_type>> folders;
    for (const fs::path& root : roots) {
        std::error_code error;
        if (!fs::is_directory(root, error)) {
            folders.emplace_back(root, fs::file_time_type::min());
            continue;
        }
        folders.emplace_back(root, fs::last_write_time(root, error));
        for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            std::error_code inner;
            if (it->is_directory(inner)) {
                folders.emplace_back(it->path(), fs::last_write_time(it->path(), inner));
            }
        }
    }
    return folders;
}

}  // namespace

std::optional<std::string> DesktopEntryCatalog::programOfExec(const std::string& exec)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                word.push_back(exec[++i]);
            } else if (c == '"') {
                quoted = false;
            } else {
                word.push_back(c);
            }
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    size_t first = 0;
    if (first < words.size() && fs::path(words[first]).filename() == "env") {
        ++first;
        while (first < words.size() && words[first].find('=') != std::string::npos && words[first].front() != '/') {
            ++first;
        }
    }
    if (first >= words.size()) {
        return std::nullopt;
    }
    return words[first];
}

std::vector<DesktopEntry> DesktopEntryCatalog::entries()
{
    static std::mutex mutex;
    static Snapshot cached;
    static bool loaded = false;

    const std::vector<fs::path> roots = applicationFolders();
    const std::vector<std::string> suffixes = nameSuffixes();
    auto folders = foldersWithTimes(roots);
    std::lock_guard lock(mutex);
    if (loaded && cached.folders == folders && cached.languageSuffixes == joined(suffixes)) {
        return cached.entries;
    }
    std::vector<DesktopEntry> entries;
    std::set<std::string> seenIds;
    for (const fs::path& root : roots) {
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (it->path().extension() != ".desktop") {
                continue;
            }
            std::string id = fs::relative(it->path(), root, error).string();
            for (char& c : id) {
                c = c == '/' ? '-' : c;
            }
            if (!seenIds.insert(id).second) {
                continue;
            }
            if (std::optional<DesktopEntry> entry = readEntry(it->path(), suffixes)) {
                entries.push_back(std::move(*entry));
            }
        }
    }
    cached = Snapshot{std::move(folders), joined(suffixes), entries};
    loaded = true;
    return entries;
}

}  // namespace platform
