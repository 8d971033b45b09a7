#pragma once

#include "AppIntents/IntentRegistry.h"

#include <nlohmann/json.hpp>

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>
#include <string>

class QByteArray;
class QLocalServer;
class QLocalSocket;

namespace platform {

// The registry's work on its own thread: accepts connections on the listening
// socket it is given, reads one request from each and answers it. Made,
// used and destroyed on that thread.
class IntentServer : public QObject {
public:
    IntentServer(AppIntentsCatalogue catalogue, IntentApplication application);
    ~IntentServer() override;

    // Serves the bound, listening socket `descriptor`, which it then owns.
    // False when Qt does not take it.
    bool serve(int descriptor);

private:
    using Json = nlohmann::ordered_json;
    // Held while a connection is open or its action runs: one of maximumRequests.
    using Slot = std::shared_ptr<void>;

    void acceptPending();
    // The request line once it has come in whole; drops a connection whose
    // request grows too long.
    static std::optional<std::string> readRequest(QLocalSocket& socket, QByteArray& buffer);
    void handle(QLocalSocket* socket, const std::string& line, const Slot& slot);
    Json runRequest(QLocalSocket* socket, const Json& request, const Slot& slot);
    QCoro::Task<> run(const AppIntentDeclaration* intent, IntentParameters parameters, QPointer<QLocalSocket> socket,
                      Slot slot);
    const AppIntentDeclaration* find(const std::string& name) const;

    Json catalogueDescription() const;
    Json parameterDescription(const IntentParameterDeclaration& parameter) const;
    std::string text(const LocalizedStringResource& resource) const;
    static void answer(QLocalSocket* socket, const Json& reply);

    const AppIntentsCatalogue catalogue_;
    const IntentApplication application_;
    QLocalServer* server_ = nullptr;
    // Shared with the slots, which may be let go while the server is destroyed.
    std::shared_ptr<int> openRequests_ = std::make_shared<int>(0);
};

}  // namespace platform
