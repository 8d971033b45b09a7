#include "Simmac/LaunchdDatabase.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include <nlohmann/json.hpp>

#include "Foundation/SimulatedRoot.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

std::string text(const Json& object, const char* key, const fs::path& file)
{
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string() || found->get_ref<const std::string&>().empty()) {
        throw SimulatorError(file.string() + ": a registration has no text \"" + key + "\"");
    }
    return found->get<std::string>();
}

}  // namespace

LaunchdDatabase::LaunchdDatabase() : LaunchdDatabase(platform::SimulatedRoot::resolve("/var/db/simmac/launchd.json"))
{
}

LaunchdDatabase::LaunchdDatabase(fs::path file) : file_(std::move(file)) {}

LaunchdDatabase::Contents LaunchdDatabase::load() const
{
    std::error_code error;
    const fs::file_status status = fs::status(file_, error);
    if (error == std::errc::no_such_file_or_directory) {
        return {};
    }
    if (error) {
        throw SimulatorError("cannot read " + file_.string() + ": " + error.message());
    }
    if (!fs::is_regular_file(status) || fs::file_size(file_, error) > largestFile || error) {
        throw SimulatorError(file_.string() + " is not a file of simmac's registrations");
    }
    std::ifstream in(file_, std::ios::binary);
    if (!in) {
        throw SimulatorError("cannot read " + file_.string() + ": " + std::strerror(errno));
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Json stored = Json::parse(bytes, nullptr, false);
    if (stored.is_discarded() || !stored.is_object()) {
        throw SimulatorError(file_.string() + " is not a JSON object");
    }

    Contents contents;
    const auto registrations = stored.find("registrations");
    if (registrations != stored.end()) {
        if (!registrations->is_array()) {
            throw SimulatorError(file_.string() + ": \"registrations\" is not a list");
        }
        for (const Json& entry : *registrations) {
            if (!entry.is_object()) {
                throw SimulatorError(file_.string() + ": a registration is not an object");
            }
            contents.registrations.push_back({text(entry, "bundle", file_), text(entry, "plist", file_)});
        }
    }
    const auto approved = stored.find("approved");
    if (approved != stored.end()) {
        if (!approved->is_array()) {
            throw SimulatorError(file_.string() + ": \"approved\" is not a list");
        }
        for (const Json& label : *approved) {
            if (!label.is_string() || label.get_ref<const std::string&>().empty()) {
                throw SimulatorError(file_.string() + ": an approval is not a label");
            }
            contents.approved.insert(label.get<std::string>());
        }
    }
    return contents;
}

void LaunchdDatabase::save(const Contents& contents) const
{
    Json registrations = Json::array();
    for (const Registration& registration : contents.registrations) {
        registrations.push_back({{"bundle", registration.bundle.string()}, {"plist", registration.plistName}});
    }
    const std::string bytes = Json{{"registrations", std::move(registrations)}, {"approved", contents.approved}}.dump(2) + "\n";

    std::error_code error;
    fs::create_directories(file_.parent_path(), error);
    if (error) {
        throw SimulatorError("cannot create " + file_.parent_path().string() + ": " + error.message());
    }
    std::string temporary = file_.string() + ".XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) {
        throw SimulatorError("cannot write " + file_.string() + ": " + std::strerror(errno));
    }
    std::size_t written = 0;
    int failure = 0;
    while (written < bytes.size() && failure == 0) {
        const ssize_t chunk = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (chunk < 0 && errno != EINTR) {
            failure = errno;
        } else if (chunk > 0) {
            written += static_cast<std::size_t>(chunk);
        }
    }
    if (failure == 0 && (::fchmod(descriptor, 0644) != 0 || ::fsync(descriptor) != 0)) {
        failure = errno;
    }
    if (::close(descriptor) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure == 0 && ::rename(temporary.c_str(), file_.c_str()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        ::unlink(temporary.c_str());
        throw SimulatorError("cannot write " + file_.string() + ": " + std::strerror(failure));
    }
}

}  // namespace simmac
