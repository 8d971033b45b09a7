#include "Simulator/SimmacConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "Foundation/SimulatedRoot.h"
#include "IOKit/IOReturn.h"
#include "Simulator/Frame.h"
#include "Simulator/SMCParamRecord.h"
#include "Simulator/StructMethodMessage.h"

namespace simulator {

namespace {

std::string systemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::filesystem::path SimmacConnection::defaultSocketPath()
{
    return platform::SimulatedRoot::resolve("/var/run/simmac.sock");
}

SimmacConnection::SimmacConnection(const std::filesystem::path& socketPath)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socketPath.string();
    if (path.size() >= sizeof address.sun_path) {
        throw SimmacError("simmac socket path is too long: " + path);
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        throw SimmacUnreachable(systemError("cannot create a socket for simmac"));
    }
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(socket_);
        socket_ = -1;
        if (error == ENOENT || error == ECONNREFUSED) {
            throw SimmacUnreachable("simmac is not running (no socket at " + path + ")");
        }
        throw SimmacUnreachable("cannot connect to simmac at " + path + ": " + std::strerror(error));
    }
}

SimmacConnection::~SimmacConnection()
{
    if (socket_ >= 0) {
        ::close(socket_);
    }
    if (receivedDescriptor_ >= 0) {
        ::close(receivedDescriptor_);
    }
}

void SimmacConnection::fail(const std::string& message)
{
    broken_ = true;
    brokenReason_ = message;
    throw SimmacUnreachable(message);
}

void SimmacConnection::ensureUsable() const
{
    if (broken_) {
        throw SimmacUnreachable("connection to simmac is broken: " + brokenReason_);
    }
}

void SimmacConnection::sendAll(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(errno == EPIPE || errno == ECONNRESET ? "simmac closed the connection"
                                                       : systemError("cannot send to simmac"));
        }
        bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
}

bool SimmacConnection::waitReadable(std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{socket_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        if (ready > 0) {
            return true;
        }
        if (ready == 0) {
            return false;
        }
        if (errno != EINTR) {
            fail(systemError("cannot wait for simmac"));
        }
    }
}

void SimmacConnection::receiveExactly(std::uint8_t* out, std::size_t length,
                                      std::chrono::steady_clock::time_point deadline, bool waitFirst)
{
    // A frame's header is waited for first: a reply is never there the moment
    // its request has gone, so reading first would only cost a call that finds
    // nothing. The rest is read first: a frame comes in one piece, so its
    // payload is there as soon as its header is. Nothing past the frame is
    // read, so a pushed message behind it keeps the socket readable.
    if (waitFirst && length > 0 && !waitReadable(deadline)) {
        fail("simmac did not answer in time");
    }
    while (length > 0) {
        const ssize_t received = receiveSome(out, length);
        if (received == 0) {
            fail("simmac closed the connection");
        }
        if (received < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (!waitReadable(deadline)) {
                    fail("simmac did not answer in time");
                }
                continue;
            }
            if (errno == EINTR) {
                continue;
            }
            fail(errno == ECONNRESET ? "simmac closed the connection" : systemError("cannot read from simmac"));
        }
        out += received;
        length -= static_cast<std::size_t>(received);
    }
}

ssize_t SimmacConnection::receiveSome(std::uint8_t* out, std::size_t length)
{
    iovec bytes{out, length};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    msghdr message{};
    message.msg_iov = &bytes;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = ::recvmsg(socket_, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (received <= 0) {
        return received;
    }
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) {
            continue;
        }
        const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int descriptor;
            std::memcpy(&descriptor, CMSG_DATA(header) + i * sizeof(int), sizeof descriptor);
            if (receivedDescriptor_ >= 0) {
                ::close(receivedDescriptor_);
            }
            receivedDescriptor_ = descriptor;
        }
    }
    return received;
}

bool SimmacConnection::peerClosed() const
{
    constexpr std::chrono::steady_clock::duration trusted = std::chrono::milliseconds(1);
    const std::chrono::steady_clock::rep now = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::chrono::steady_clock::rep seenOpen = seenOpenAt_.load(std::memory_order_relaxed);
    if (seenOpen != 0 && now - seenOpen < trusted.count()) {
        return false;
    }
    pollfd entry{socket_, POLLRDHUP, 0};
    if (::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
        return true;
    }
    seenOpenAt_.store(now, std::memory_order_relaxed);
    return false;
}

const SharedReadingsView* SimmacConnection::sharedReadings(std::chrono::milliseconds timeout)
{
    if (!readingsAsked_) {
        readingsAsked_ = true;
        startFrame(FrameKind::readingsCall, 0, sendBuffer_);
        sendAll(sendBuffer_);
        const FrameView frame = receiveReply(FrameKind::readingsReply, timeout);
        const int descriptor = std::exchange(receivedDescriptor_, -1);
        if (frame.payload.size() != 1) {
            if (descriptor >= 0) {
                ::close(descriptor);
            }
            fail("simmac sent a malformed readings reply");
        }
        if (frame.payload[0] == 1 && descriptor >= 0) {
            readings_ = SharedReadingsView::map(descriptor);
        } else if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
    if (!readings_) {
        return nullptr;
    }
    if (peerClosed()) {
        fail("simmac closed the connection");
    }
    if (!readings_->heardWithin(timeout)) {
        fail("simmac did not answer in time");
    }
    return readings_.get();
}

SimmacConnection::FrameView SimmacConnection::receiveFrame(std::chrono::steady_clock::time_point deadline)
{
    std::uint8_t header[frameHeaderSize];
    receiveExactly(header, sizeof header, deadline, true);
    const std::optional<FrameHeader> decoded = decodeFrameHeader(header);
    if (!decoded) {
        fail("simmac sent a malformed frame");
    }
    receiveBuffer_.resize(decoded->payloadLength);
    receiveExactly(receiveBuffer_.data(), receiveBuffer_.size(), deadline, false);
    return {decoded->kind, receiveBuffer_};
}

nlohmann::ordered_json SimmacConnection::parsePush(std::span<const std::uint8_t> payload)
{
    auto message = nlohmann::ordered_json::parse(payload.begin(), payload.end(), nullptr, false);
    if (message.is_discarded()) {
        fail("simmac pushed a message that is not JSON");
    }
    return message;
}

SimmacConnection::FrameView SimmacConnection::receiveReply(FrameKind kind, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const FrameView frame = receiveFrame(deadline);
        if (frame.kind == kind) {
            return frame;
        }
        if (frame.kind != FrameKind::push) {
            fail("simmac sent an unexpected frame");
        }
        pushes_.push_back(parsePush(frame.payload));
    }
}

nlohmann::ordered_json SimmacConnection::request(std::string_view operation, const nlohmann::ordered_json& arguments,
                                                 std::chrono::milliseconds timeout)
{
    if (!arguments.is_object()) {
        throw SimmacError("arguments of simmac operation " + std::string(operation) + " must be an object");
    }
    nlohmann::ordered_json message = nlohmann::ordered_json::object();
    message["op"] = operation;
    for (const auto& [name, value] : arguments.items()) {
        message[name] = value;
    }
    const std::string text = message.dump();

    std::lock_guard lock(mutex_);
    ensureUsable();
    std::copy(text.begin(), text.end(), startFrame(FrameKind::request, text.size(), sendBuffer_));
    sendAll(sendBuffer_);

    const FrameView frame = receiveReply(FrameKind::reply, timeout);
    const auto reply = nlohmann::ordered_json::parse(frame.payload.begin(), frame.payload.end(), nullptr, false);
    if (reply.is_discarded() || !reply.is_object() || !reply.contains("ok") || !reply["ok"].is_boolean()) {
        fail("simmac sent a malformed reply to " + std::string(operation));
    }
    if (!reply["ok"].get<bool>()) {
        const auto error = reply.find("error");
        throw SimmacError(error != reply.end() && error->is_string() ? error->get<std::string>()
                                                                      : "simmac refused " + std::string(operation));
    }
    const auto result = reply.find("result");
    return result != reply.end() ? *result : nlohmann::ordered_json();
}

void SimmacConnection::query(const QueryCall& call, const QueryValueConsumer& read, std::chrono::milliseconds timeout)
{
    if (call.className.size() > maximumQueryClassNameLength) {
        throw SimmacError("class name of a registry query is longer than " +
                          std::to_string(maximumQueryClassNameLength) + " bytes: " + std::string(call.className));
    }
    std::lock_guard lock(mutex_);
    ensureUsable();
    if (call.operation == QueryOperation::registryProperties || call.operation == QueryOperation::powerSources) {
        QueryOutcome outcome = QueryOutcome::value;
        const SharedReadingsView* readings = sharedReadings(timeout);
        if (readings != nullptr && readings->copyQueryAnswer(call.operation, call.className, outcome, sharedBody_)) {
            if (outcome == QueryOutcome::error) {
                throw SimmacError(std::string(reinterpret_cast<const char*>(sharedBody_.data()), sharedBody_.size()));
            }
            read(sharedBody_);
            return;
        }
    }
    encodeQueryCall(call, sendBuffer_);
    sendAll(sendBuffer_);

    const FrameView frame = receiveReply(FrameKind::queryReply, timeout);
    const std::optional<QueryReply> reply = decodeQueryReply(frame.payload);
    if (!reply) {
        fail("simmac sent a malformed query reply");
    }
    if (reply->outcome == QueryOutcome::error) {
        throw SimmacError(std::string(reinterpret_cast<const char*>(reply->body.data()), reply->body.size()));
    }
    read(reply->body);
}

void SimmacConnection::openUserClient(std::string_view className, std::uint32_t type,
                                      std::chrono::milliseconds timeout)
{
    request("iokit.open", {{"class", className}, {"type", type}}, timeout);
    std::lock_guard lock(mutex_);
    userClientClass_ = className;
}

SimmacConnection::StructMethodResult SimmacConnection::callStructMethod(std::uint32_t selector,
                                                                        std::span<const std::uint8_t> input,
                                                                        std::span<std::uint8_t> output,
                                                                        std::chrono::milliseconds timeout)
{
    if (input.size() > maximumStructSize || output.size() > maximumStructSize) {
        throw SimmacError("struct method input or output is larger than " + std::to_string(maximumStructSize) +
                          " bytes");
    }
    std::lock_guard lock(mutex_);
    ensureUsable();
    if (selector == smc::structMethodSelector && smc::isKeyRead(input) && output.size() >= smc::recordSize &&
        !userClientClass_.empty()) {
        SharedReadingsView::KeyEntry entry;
        const SharedReadingsView* readings = sharedReadings(timeout);
        const SharedReadingsView::KeyLookup lookup =
            readings != nullptr ? readings->copyKey(userClientClass_, smc::loadField(input, smc::keyOffset), entry)
                                : SharedReadingsView::KeyLookup::notShared;
        if (lookup != SharedReadingsView::KeyLookup::notShared) {
            const smc::KeyView key = sharedKeyOf(entry);
            smc::answerKeyRead(input, lookup == SharedReadingsView::KeyLookup::found ? &key : nullptr,
                               output.first(smc::recordSize));
            return {kIOReturnSuccess, smc::recordSize};
        }
    }
    encodeStructMethodCall({selector, static_cast<std::uint32_t>(output.size()), input}, sendBuffer_);
    sendAll(sendBuffer_);

    const FrameView frame = receiveReply(FrameKind::structMethodReply, timeout);
    const std::optional<StructMethodReply> reply = decodeStructMethodReply(frame.payload);
    if (!reply || reply->output.size() > output.size()) {
        fail("simmac sent a malformed struct method reply");
    }
    std::copy(reply->output.begin(), reply->output.end(), output.begin());
    return {reply->status, reply->output.size()};
}

std::optional<nlohmann::ordered_json> SimmacConnection::takePush(std::chrono::milliseconds timeout)
{
    std::lock_guard lock(mutex_);
    if (!pushes_.empty()) {
        auto message = std::move(pushes_.front());
        pushes_.pop_front();
        return message;
    }
    ensureUsable();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    if (!waitReadable(deadline)) {
        return std::nullopt;
    }
    const FrameView frame = receiveFrame(deadline);
    if (frame.kind != FrameKind::push) {
        fail("simmac sent an unexpected frame");
    }
    return parsePush(frame.payload);
}

std::size_t SimmacConnection::queuedPushCount() const
{
    std::lock_guard lock(mutex_);
    return pushes_.size();
}

}  // namespace simulator
