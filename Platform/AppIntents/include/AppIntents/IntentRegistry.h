#pragma once

#include "AppIntents/AppIntentsCatalogue.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

class QThread;

namespace platform {

class IntentServer;

// The registry cannot serve: its socket cannot be made, or another running
// instance of the application already serves it. The message says which.
class IntentRegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The application as Shortcuts names it.
struct IntentApplication {
    std::string bundleIdentifier;
    // Fills the "${applicationName}" token of the app shortcuts' phrases.
    std::string name;
    // The string-table folder ("en", "zh-Hans") in which every title,
    // phrase and dialog is presented.
    std::string localization;
};

// The application's side of Shortcuts: it publishes the application's
// catalogue and runs its actions for the `shortcuts` tool, over the socket
// ShortcutsEndpoint::socketPath(bundleIdentifier). Only a peer of the same
// user is served (the folder is the user's alone and each connection's peer
// credentials are checked). Requests, answered as ShortcutsEndpoint says:
//
//   {"request":"list"}
//       -> {"application":NAME,"actions":[...],"enumerations":[...],"shortcuts":[...]}
//   {"request":"run","action":TYPE-NAME-OR-TITLE,"parameters":{NAME:TEXT,...}}
//       -> {"dialog":TEXT} or {"dialog":TEXT,"value":VALUE} when the action ran,
//          {"error":TEXT} when it failed,
//          {"refused":TEXT} when it was not run: unknown action or parameter,
//          missing parameter, or a value its parameter does not take
//          ("unknownAction":true beside it when the application has no such
//          action, so that the tool may ask another application).
//
// The registry serves on a thread of its own, a background executor with a Qt
// event loop, and the actions run there: never on the application's main
// thread. What a client can cause is bounded: at most maximumRequests
// connections and running actions at once (more are closed unanswered), a
// request of at most ShortcutsEndpoint::maximumRequestSize bytes, sent within
// requestDeadline of connecting.
class IntentRegistry {
public:
    static constexpr int maximumRequests = 8;
    static constexpr std::chrono::milliseconds requestDeadline{5000};

    // Makes the socket (replacing a stale one of this user's) and starts
    // serving. Throws IntentRegistryError when it cannot.
    IntentRegistry(AppIntentsCatalogue catalogue, IntentApplication application);
    // Stops serving and removes the socket. An action still running is
    // abandoned: its reply is never sent.
    ~IntentRegistry();

    IntentRegistry(const IntentRegistry&) = delete;
    IntentRegistry& operator=(const IntentRegistry&) = delete;

    const std::filesystem::path& socketPath() const { return socketPath_; }

private:
    std::filesystem::path socketPath_;
    std::uint64_t socketInode_ = 0;
    std::unique_ptr<QThread> thread_;
    IntentServer* server_ = nullptr;
};

}  // namespace platform
