#include "Simmac/ClientSession.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "Log/Logger.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/OperationCall.h"
#include "Simmac/SimulatorError.h"
#include "Simulator/Frame.h"
#include "Simulator/QueryMessage.h"
#include "Simulator/StructMethodMessage.h"

namespace simmac {

namespace {

const platform::Logger& logger()
{
    static const platform::Logger instance("simmac", "Connection");
    return instance;
}

constexpr std::size_t initialReadCapacity = 4096;

// After serving a request the connection is polled this long before the loop
// goes back to sleep: the next request of a burst (a reading of several keys)
// usually follows within microseconds, and waking a sleeping process costs
// far more on a virtual machine.
constexpr auto pollingWindow = std::chrono::microseconds(50);

}  // namespace

ClientSession::ClientSession(asio::local::stream_protocol::socket socket, Dispatcher& dispatcher,
                             std::uint64_t identifier, uid_t privilegedUid, int sharedReadings,
                             std::function<void(std::uint64_t)> onClosed)
    : socket_(std::move(socket)),
      dispatcher_(dispatcher),
      identifier_(identifier),
      sharedReadings_(sharedReadings),
      onClosed_(std::move(onClosed)),
      readBuffer_(initialReadCapacity)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(socket_.native_handle(), SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0) {
        peer_ = {credentials.uid, credentials.gid, credentials.pid};
        privileged_ = credentials.uid == 0 || credentials.uid == privilegedUid;
    } else {
        // Without credentials the peer is nobody in particular: never privileged.
        peer_ = {static_cast<uid_t>(-1), static_cast<gid_t>(-1), 0};
    }
}

void ClientSession::start()
{
    logger().debug("connection %llu from pid %d uid %u", static_cast<unsigned long long>(identifier_),
                   static_cast<int>(peer_.pid), static_cast<unsigned>(peer_.uid));
    std::error_code error;
    socket_.non_blocking(true, error);
    if (error) {
        close();
        return;
    }
    serve();
}

void ClientSession::serve()
{
    if (serving_) {
        return;
    }
    serving_ = true;
    for (;;) {
        processFrames();
        if (!open_ || requestInFlight_ || reading_) {
            break;
        }
        makeRoomToRead();
        if (!readWithoutWaiting()) {
            if (open_) {
                readOnTheLoop();
            }
            break;
        }
    }
    serving_ = false;
}

void ClientSession::makeRoomToRead()
{
    if (readEnd_ < readBuffer_.size()) {
        return;
    }
    if (readStart_ > 0) {
        std::memmove(readBuffer_.data(), readBuffer_.data() + readStart_, readEnd_ - readStart_);
        readEnd_ -= readStart_;
        readStart_ = 0;
    } else {
        readBuffer_.resize(readBuffer_.size() * 2);
    }
}

bool ClientSession::readWithoutWaiting()
{
    const auto until = std::chrono::steady_clock::now() + pollingWindow;
    do {
        std::error_code error;
        const std::size_t received =
            socket_.read_some(asio::buffer(readBuffer_.data() + readEnd_, readBuffer_.size() - readEnd_), error);
        if (!error) {
            readEnd_ += received;
            return true;
        }
        if (error != asio::error::would_block && error != asio::error::try_again) {
            close();
            return false;
        }
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

void ClientSession::readOnTheLoop()
{
    reading_ = true;
    socket_.async_read_some(
        asio::buffer(readBuffer_.data() + readEnd_, readBuffer_.size() - readEnd_),
        [self = shared_from_this()](const std::error_code& error, std::size_t received) {
            self->reading_ = false;
            if (error) {
                self->close();
                return;
            }
            self->readEnd_ += received;
            self->serve();
        });
}

void ClientSession::processFrames()
{
    while (open_ && !requestInFlight_ && readEnd_ - readStart_ >= simulator::frameHeaderSize) {
        const std::optional<simulator::FrameHeader> header =
            simulator::decodeFrameHeader(readBuffer_.data() + readStart_);
        if (!header) {
            logger().error("closing connection %llu: malformed frame", static_cast<unsigned long long>(identifier_));
            close();
            break;
        }
        const std::size_t frameLength = simulator::frameHeaderSize + header->payloadLength;
        if (readEnd_ - readStart_ < frameLength) {
            if (readStart_ + frameLength > readBuffer_.size()) {
                std::memmove(readBuffer_.data(), readBuffer_.data() + readStart_, readEnd_ - readStart_);
                readEnd_ -= readStart_;
                readStart_ = 0;
                if (frameLength > readBuffer_.size()) {
                    readBuffer_.resize(frameLength);
                }
            }
            break;
        }
        const std::span<const std::uint8_t> payload(readBuffer_.data() + readStart_ + simulator::frameHeaderSize,
                                                    header->payloadLength);
        readStart_ += frameLength;
        handleFrame(static_cast<std::uint8_t>(header->kind), payload);
    }
    if (readStart_ == readEnd_) {
        readStart_ = readEnd_ = 0;
    }
}

void ClientSession::handleFrame(std::uint8_t kind, std::span<const std::uint8_t> payload)
{
    switch (static_cast<simulator::FrameKind>(kind)) {
    case simulator::FrameKind::structMethodCall:
        handleStructMethod(payload);
        return;
    case simulator::FrameKind::queryCall:
        handleQuery(payload);
        return;
    case simulator::FrameKind::readingsCall:
        handleReadingsCall();
        return;
    case simulator::FrameKind::request: {
        auto request = nlohmann::ordered_json::parse(payload.begin(), payload.end(), nullptr, false);
        requestInFlight_ = true;
        if (request.is_discarded() || !request.is_object()) {
            OperationCall(shared_from_this(), nlohmann::ordered_json::object())
                .fail("a request must be a JSON object with an \"op\" member");
            return;
        }
        dispatcher_.dispatch(OperationCall(shared_from_this(), std::move(request)));
        return;
    }
    default:
        logger().error("closing connection %llu: a client sent frame kind %u",
                       static_cast<unsigned long long>(identifier_), static_cast<unsigned>(kind));
        close();
    }
}

void ClientSession::handleStructMethod(std::span<const std::uint8_t> payload)
{
    const std::optional<simulator::StructMethodCall> call = simulator::decodeStructMethodCall(payload);
    if (!call) {
        logger().error("closing connection %llu: malformed struct method call",
                       static_cast<unsigned long long>(identifier_));
        close();
        return;
    }
    structOutput_.assign(call->outputCapacity, 0);
    std::size_t outputLength = 0;
    const std::int32_t status = dispatcher_.callStructMethod(*this, call->selector, call->input, structOutput_, outputLength);
    // Reads are answered from the shared readings; what comes here may have
    // been a write, which a read-back right after must see.
    dispatcher_.readingsChanged();
    std::vector<std::uint8_t> frame;
    simulator::encodeStructMethodReply({status, std::span<const std::uint8_t>(structOutput_.data(), outputLength)},
                                       frame);
    queueFrame(std::move(frame));
}

void ClientSession::handleQuery(std::span<const std::uint8_t> payload)
{
    const std::optional<simulator::QueryCall> call = simulator::decodeQueryCall(payload);
    if (!call) {
        logger().error("closing connection %llu: malformed query", static_cast<unsigned long long>(identifier_));
        close();
        return;
    }
    queryValue_.clear();
    std::vector<std::uint8_t> frame;
    try {
        dispatcher_.answerQuery(*call, queryValue_);
        simulator::encodeQueryReply({simulator::QueryOutcome::value, queryValue_}, frame);
    } catch (const SimulatorError& error) {
        const std::string_view message = error.what();
        simulator::encodeQueryReply(
            {simulator::QueryOutcome::error,
             std::span(reinterpret_cast<const std::uint8_t*>(message.data()), message.size())},
            frame);
    }
    queueFrame(std::move(frame));
}

void ClientSession::handleReadingsCall()
{
    std::vector<std::uint8_t> frame;
    *simulator::startFrame(simulator::FrameKind::readingsReply, 1, frame) = 0;
    // The descriptor goes with the frame's first byte, so the frame is sent
    // whole here or not shared: behind queued frames it could not be attached.
    if (sharedReadings_ >= 0 && open_ && !writing_) {
        frame.back() = 1;
        iovec bytes{frame.data(), frame.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        msghdr message{};
        message.msg_iov = &bytes;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &sharedReadings_, sizeof(int));
        const ssize_t sent = ::sendmsg(socket_.native_handle(), &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent == static_cast<ssize_t>(frame.size())) {
            return;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            close();
            return;
        }
        // Nothing went (a full socket buffer): answer without the readings.
        if (sent <= 0) {
            frame.back() = 0;
        } else {
            frame.erase(frame.begin(), frame.begin() + sent);
        }
    }
    queueFrame(std::move(frame));
}

void ClientSession::sendReply(const nlohmann::ordered_json& reply)
{
    requestInFlight_ = false;
    // A request may have changed what the shared readings say (a model, the
    // battery, a key set by hand); the requester must find it there.
    dispatcher_.readingsChanged();
    queueJsonFrame(static_cast<std::uint8_t>(simulator::FrameKind::reply), reply);
    serve();
}

void ClientSession::push(const nlohmann::ordered_json& message)
{
    queueJsonFrame(static_cast<std::uint8_t>(simulator::FrameKind::push), message);
}

void ClientSession::queueJsonFrame(std::uint8_t kind, const nlohmann::ordered_json& message)
{
    const std::string text = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::vector<std::uint8_t> frame;
    std::copy(text.begin(), text.end(),
              simulator::startFrame(static_cast<simulator::FrameKind>(kind), text.size(), frame));
    queueFrame(std::move(frame));
}

void ClientSession::queueFrame(std::vector<std::uint8_t> frame)
{
    if (!open_) {
        return;
    }
    if (!writing_) {
        // Written at once when the socket takes it, so that a reply never
        // waits for the loop while this connection is being served.
        std::error_code error;
        const std::size_t written = socket_.write_some(asio::buffer(frame), error);
        if (error && error != asio::error::would_block && error != asio::error::try_again) {
            close();
            return;
        }
        if (!error && written == frame.size()) {
            return;
        }
        frame.erase(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(error ? 0 : written));
    }
    writeQueue_.push_back(std::move(frame));
    if (!writing_) {
        writeNext();
    }
}

void ClientSession::writeNext()
{
    writing_ = true;
    asio::async_write(socket_, asio::buffer(writeQueue_.front()),
                      [self = shared_from_this()](const std::error_code& error, std::size_t) {
                          if (error) {
                              self->writing_ = false;
                              self->close();
                              return;
                          }
                          self->writeQueue_.pop_front();
                          if (self->writeQueue_.empty() || !self->open_) {
                              self->writing_ = false;
                          } else {
                              self->writeNext();
                          }
                      });
}

void ClientSession::close()
{
    if (!open_) {
        return;
    }
    open_ = false;
    std::error_code ignored;
    socket_.close(ignored);
    logger().debug("connection %llu closed", static_cast<unsigned long long>(identifier_));
    dispatcher_.connectionClosed(*this);
    onClosed_(identifier_);
}

}  // namespace simmac
