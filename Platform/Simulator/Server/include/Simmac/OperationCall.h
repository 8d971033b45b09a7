#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

namespace simmac {

class ClientSession;

// One JSON request being served: its operation, its arguments and the one
// answer it gets. A handler answers at once or keeps the call (it is movable)
// and answers later from the event loop, for example after a timer; the
// connection's next request waits until then. A call dropped without an
// answer answers with an error, so a requester never waits forever.
class OperationCall {
public:
    OperationCall(std::shared_ptr<ClientSession> session, nlohmann::ordered_json request);
    ~OperationCall();
    OperationCall(OperationCall&& other) noexcept;
    OperationCall& operator=(OperationCall&&) = delete;
    OperationCall(const OperationCall&) = delete;
    OperationCall& operator=(const OperationCall&) = delete;

    const std::string& operation() const { return operation_; }
    // The request object; arguments are its members beside "op".
    const nlohmann::ordered_json& arguments() const { return request_; }
    ClientSession& session() const { return *session_; }
    std::shared_ptr<ClientSession> sharedSession() const { return session_; }

    // The text member `name`; throws SimulatorError when it is missing or not a text.
    std::string stringArgument(const char* name) const;

    void succeed(nlohmann::ordered_json result = nlohmann::ordered_json::object());
    void fail(const std::string& message);

private:
    std::shared_ptr<ClientSession> session_;
    nlohmann::ordered_json request_;
    std::string operation_;
    bool answered_ = false;
};

}  // namespace simmac
