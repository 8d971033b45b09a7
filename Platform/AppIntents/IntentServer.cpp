#include "IntentServer.h"

#include "AppIntents/ShortcutsEndpoint.h"
#include "Foundation/Bundle.h"
#include "Log/Logger.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace platform {

namespace {

const Logger& logger()
{
    static const Logger instance("shortcuts", "IntentRegistry");
    return instance;
}

// Requests are flat objects; anything nested deeper is not one.
constexpr int maximumRequestDepth = 2;

bool fromSameUser(const QLocalSocket& socket)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    return getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
           length == sizeof peer && peer.uid == ::geteuid();
}

// Closes a connection unanswered and lets go of it, and so of its slot.
void drop(QLocalSocket& socket)
{
    socket.abort();
    socket.deleteLater();
}

// What a connection holds while it lives: its request as far as it has
// come, whether it was answered, and its slot.
class ConnectionState : public QObject {
public:
    ConnectionState(std::shared_ptr<void> slot, QObject* parent) : QObject(parent), slot(std::move(slot)) {}

    std::shared_ptr<void> slot;
    QByteArray request;
    bool answered = false;
};

const char* controlStyleName(IntControlStyle style)
{
    switch (style) {
    case IntControlStyle::field:
        return "field";
    case IntControlStyle::stepper:
        return "stepper";
    case IntControlStyle::slider:
        return "slider";
    }
    return "field";
}

nlohmann::ordered_json valueJson(const IntentValue& value)
{
    return std::visit([](const auto& held) { return nlohmann::ordered_json(held); }, value);
}

// A request as an object, or null when the line is not one: not JSON, not an
// object, or nested deeper than a request is.
nlohmann::ordered_json parseRequest(const std::string& line)
{
    bool tooDeep = false;
    nlohmann::ordered_json request = nlohmann::ordered_json::parse(
        line,
        [&](int depth, nlohmann::ordered_json::parse_event_t, nlohmann::ordered_json&) {
            tooDeep = tooDeep || depth > maximumRequestDepth;
            return !tooDeep;
        },
        false);
    if (tooDeep || !request.is_object()) {
        return nullptr;
    }
    return request;
}

}  // namespace

IntentServer::IntentServer(AppIntentsCatalogue catalogue, IntentApplication application)
    : catalogue_(std::move(catalogue)), application_(std::move(application))
{
}

IntentServer::~IntentServer() = default;

bool IntentServer::serve(int descriptor)
{
    server_ = new QLocalServer(this);
    server_->setMaxPendingConnections(IntentRegistry::maximumRequests);
    connect(server_, &QLocalServer::newConnection, this, &IntentServer::acceptPending);
    return server_->listen(descriptor);
}

void IntentServer::acceptPending()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!fromSameUser(*socket) || *openRequests_ >= IntentRegistry::maximumRequests) {
            drop(*socket);
            continue;
        }
        ++*openRequests_;
        auto* state = new ConnectionState(Slot(nullptr, [count = openRequests_](void*) { --*count; }), socket);

        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, [socket] { drop(*socket); });
        deadline->start(IntentRegistry::requestDeadline);

        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, state, [this, socket, state, deadline] {
            if (state->answered) {
                // One request per connection: whatever follows it is ignored.
                socket->readAll();
                return;
            }
            if (std::optional<std::string> line = readRequest(*socket, state->request)) {
                state->answered = true;
                deadline->stop();
                handle(socket, *line, state->slot);
            }
        });
    }
}

std::optional<std::string> IntentServer::readRequest(QLocalSocket& socket, QByteArray& buffer)
{
    buffer += socket.read(static_cast<qint64>(ShortcutsEndpoint::maximumRequestSize) + 1 - buffer.size());
    const qsizetype end = buffer.indexOf('\n');
    if (end >= 0) {
        return buffer.left(end).toStdString();
    }
    if (static_cast<std::size_t>(buffer.size()) > ShortcutsEndpoint::maximumRequestSize) {
        logger().error("Dropping a Shortcuts request longer than %zu bytes", ShortcutsEndpoint::maximumRequestSize);
        drop(socket);
    }
    return std::nullopt;
}

void IntentServer::handle(QLocalSocket* socket, const std::string& line, const Slot& slot)
{
    const Json request = parseRequest(line);
    const auto kind = request.is_object() ? request.find("request") : request.end();
    if (kind == request.end() || !kind->is_string()) {
        answer(socket, {{"refused", "the request is not a JSON object with a \"request\" text"}});
    } else if (*kind == "list") {
        answer(socket, catalogueDescription());
    } else if (*kind == "run") {
        if (Json refusal = runRequest(socket, request, slot); !refusal.is_null()) {
            answer(socket, refusal);
        }
    } else {
        answer(socket, {{"refused", "unknown request \"" + kind->get<std::string>() + "\"; the requests are list and run"}});
    }
}

// Starts the action and returns null, or returns the refusal.
IntentServer::Json IntentServer::runRequest(QLocalSocket* socket, const Json& request, const Slot& slot)
{
    const auto action = request.find("action");
    if (action == request.end() || !action->is_string()) {
        return {{"refused", "a run request names its action in \"action\""}};
    }
    const AppIntentDeclaration* intent = find(action->get<std::string>());
    if (intent == nullptr) {
        return {{"refused",
                 "there is no action named \"" + action->get<std::string>() + "\"; \"shortcuts list\" shows them"},
                {"unknownAction", true}};
    }
    std::map<std::string, std::string, std::less<>> given;
    if (const auto parameters = request.find("parameters"); parameters != request.end()) {
        if (!parameters->is_object()) {
            return {{"refused", "\"parameters\" must be an object of texts"}};
        }
        for (const auto& [name, value] : parameters->items()) {
            if (!value.is_string()) {
                return {{"refused", "the value of \"" + name + "\" must be given as a text"}};
            }
            given.emplace(name, value.get<std::string>());
        }
    }
    IntentParameters bound;
    try {
        bound = intent->bind(given);
    } catch (const IntentParameterError& refusal) {
        return {{"refused", refusal.what()}};
    }
    run(intent, std::move(bound), QPointer<QLocalSocket>(socket), slot);
    return nullptr;
}

QCoro::Task<> IntentServer::run(const AppIntentDeclaration* intent, IntentParameters parameters,
                                QPointer<QLocalSocket> socket, Slot slot)
{
    Json reply;
    try {
        const IntentResult result = co_await intent->perform(std::move(parameters));
        reply = {{"dialog", text(result.dialog)}};
        if (result.value) {
            reply["value"] = valueJson(*result.value);
        }
    } catch (const std::exception& error) {
        reply = {{"error", error.what()}};
    } catch (...) {
        reply = {{"error", intent->typeName + " failed with an error that has no description"}};
    }
    // The client may have gone meanwhile; the action's outcome is all it would have had.
    if (socket) {
        answer(socket, reply);
    }
    // The run counted against the limit until here.
    slot.reset();
}

const AppIntentDeclaration* IntentServer::find(const std::string& name) const
{
    if (const AppIntentDeclaration* intent = catalogue_.intent(name)) {
        return intent;
    }
    const auto byTitle = std::find_if(catalogue_.intents.begin(), catalogue_.intents.end(),
                                      [&](const AppIntentDeclaration& intent) {
                                          return intent.title.key() == name || text(intent.title) == name;
                                      });
    return byTitle == catalogue_.intents.end() ? nullptr : &*byTitle;
}

std::string IntentServer::text(const LocalizedStringResource& resource) const
{
    return fillToken(resource.resolved(Bundle::main(), application_.localization), "applicationName",
                     application_.name);
}

IntentServer::Json IntentServer::parameterDescription(const IntentParameterDeclaration& parameter) const
{
    Json description = {{"name", parameter.name}, {"title", text(parameter.title)}};
    if (const auto* integer = std::get_if<IntentParameterDeclaration::Integer>(&parameter.kind)) {
        description["type"] = "integer";
        description["minimum"] = integer->minimum;
        description["maximum"] = integer->maximum;
        description["controlStyle"] = controlStyleName(integer->controlStyle);
    } else {
        const auto& enumeration = std::get<IntentParameterDeclaration::Enumeration>(parameter.kind);
        description["type"] = enumeration.typeName;
        description["values"] = enumeration.supportedValues;
    }
    return description;
}

IntentServer::Json IntentServer::catalogueDescription() const
{
    Json actions = Json::array();
    for (const AppIntentDeclaration& intent : catalogue_.intents) {
        Json action = {{"type", intent.typeName}, {"title", text(intent.title)}, {"parameters", Json::array()}};
        for (const IntentParameterDeclaration& parameter : intent.parameters) {
            action["parameters"].push_back(parameterDescription(parameter));
        }
        if (intent.parameterSummary) {
            action["summary"] = text(*intent.parameterSummary);
        }
        action["openAppWhenRun"] = intent.openAppWhenRun;
        actions.push_back(std::move(action));
    }
    Json enumerations = Json::array();
    for (const AppEnumDeclaration& enumeration : catalogue_.enumerations) {
        Json cases = Json::array();
        for (const AppEnumCase& enumCase : enumeration.cases) {
            cases.push_back({{"value", enumCase.rawValue}, {"title", text(enumCase.title)}});
        }
        enumerations.push_back(
            {{"type", enumeration.typeName}, {"title", text(enumeration.typeDisplayName)}, {"cases", std::move(cases)}});
    }
    Json shortcuts = Json::array();
    for (const AppShortcut& shortcut : catalogue_.shortcuts) {
        shortcuts.push_back({{"action", shortcut.intentTypeName},
                             {"phrase", text(shortcut.phrase)},
                             {"shortTitle", text(shortcut.shortTitle)},
                             {"systemImageName", shortcut.systemImageName}});
    }
    return {{"application", application_.name},
            {"actions", std::move(actions)},
            {"enumerations", std::move(enumerations)},
            {"shortcuts", std::move(shortcuts)}};
}

void IntentServer::answer(QLocalSocket* socket, const Json& reply)
{
    // A daemon's or an action's text may hold bytes that are not UTF-8; they
    // must not keep the reply from going out.
    const std::string line = reply.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
    socket->write(line.data(), static_cast<qint64>(line.size()));
    socket->disconnectFromServer();
}

}  // namespace platform
