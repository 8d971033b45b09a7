#include "Simmac/OperationCall.h"

#include "Simmac/ClientSession.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

OperationCall::OperationCall(std::shared_ptr<ClientSession> session, nlohmann::ordered_json request)
    : session_(std::move(session)), request_(std::move(request))
{
    const auto op = request_.find("op");
    if (op != request_.end() && op->is_string()) {
        operation_ = op->get<std::string>();
    }
}

OperationCall::OperationCall(OperationCall&& other) noexcept
    : session_(std::move(other.session_)),
      request_(std::move(other.request_)),
      operation_(std::move(other.operation_)),
      answered_(other.answered_)
{
    other.answered_ = true;
}

OperationCall::~OperationCall()
{
    if (!answered_ && session_) {
        fail("simmac dropped the request " + operation_ + " without an answer");
    }
}

std::string OperationCall::stringArgument(const char* name) const
{
    const auto member = request_.find(name);
    if (member == request_.end() || !member->is_string()) {
        throw SimulatorError(operation_ + " needs the text argument \"" + name + "\"");
    }
    return member->get<std::string>();
}

void OperationCall::succeed(nlohmann::ordered_json result)
{
    if (answered_) {
        return;
    }
    answered_ = true;
    nlohmann::ordered_json reply = nlohmann::ordered_json::object();
    reply["ok"] = true;
    reply["result"] = std::move(result);
    session_->sendReply(reply);
}

void OperationCall::fail(const std::string& message)
{
    if (answered_) {
        return;
    }
    answered_ = true;
    nlohmann::ordered_json reply = nlohmann::ordered_json::object();
    reply["ok"] = false;
    reply["error"] = message;
    session_->sendReply(reply);
}

}  // namespace simmac
