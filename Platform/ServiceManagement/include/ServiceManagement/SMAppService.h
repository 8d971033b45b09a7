#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace platform {

// Registration of the application's own background items with the system.
// The main application's login item is an XDG autostart entry
// "<simulated home>/.config/autostart/<identifier>.desktop" that starts the
// running executable with this simulated root. Failures throw NSError.
class SMAppService {
public:
    enum class Status { notRegistered, enabled, requiresApproval, notFound };

    // The login item of the main application; the entry is named after the
    // main bundle's identifier.
    static std::shared_ptr<SMAppService> mainApp();

    virtual ~SMAppService() = default;

    virtual void registerService() = 0;
    virtual void unregisterService() = 0;
    virtual Status status() const = 0;

protected:
    SMAppService() = default;
};

// The login item itself, for an explicit identifier and executable.
class SMLoginItemService final : public SMAppService {
public:
    SMLoginItemService(std::string identifier, std::filesystem::path executable);

    void registerService() override;
    void unregisterService() override;
    Status status() const override;

    std::filesystem::path entryPath() const;

private:
    std::string identifier_;
    std::filesystem::path executable_;
};

}  // namespace platform
