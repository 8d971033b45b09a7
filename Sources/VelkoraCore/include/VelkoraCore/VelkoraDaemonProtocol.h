#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkora {

// The daemon's XPC interface. Every operation answers only through its reply,
// exactly once. The ping replies with the handshake text; the others with the
// JSON of their value and no text on success, or no data and the failure's
// description.
class VelkoraDaemonProtocol {
public:
    using TextReply = std::function<void(std::string)>;
    using DataReply = std::function<void(std::optional<std::vector<std::uint8_t>>, std::optional<std::string>)>;

    // The transport carries operations by these names.
    static constexpr std::string_view pingSelector = "pingWithReply:";
    static constexpr std::string_view healthSelector = "healthWithReply:";
    static constexpr std::string_view fetchSnapshotSelector = "fetchSnapshotWithReply:";
    static constexpr std::string_view fetchCapabilitiesSelector = "fetchCapabilitiesWithReply:";
    static constexpr std::string_view fetchPolicySelector = "fetchPolicyWithReply:";
    static constexpr std::string_view performSelector = "performWithCommandData:reply:";

    // What a transport without an object runtime needs to know of each
    // operation, in declaration order: whether the request carries a byte blob,
    // and whether the reply is the one text of the ping rather than data and text.
    struct Method {
        std::string_view selector;
        bool takesData;
        bool repliesWithOneText;
    };
    static constexpr std::string_view protocolName = "VelkoraDaemonProtocol";
    static constexpr std::array<Method, 6> methods{{
        {pingSelector, false, true},
        {healthSelector, false, false},
        {fetchSnapshotSelector, false, false},
        {fetchCapabilitiesSelector, false, false},
        {fetchPolicySelector, false, false},
        {performSelector, true, false},
    }};

    virtual ~VelkoraDaemonProtocol() = default;

    virtual void ping(TextReply reply) = 0;
    // Replies with a `DaemonHealth`.
    virtual void health(DataReply reply) = 0;
    // Replies with the published `PowerSnapshot`.
    virtual void fetchSnapshot(DataReply reply) = 0;
    // Replies with the `DeviceCapabilities`.
    virtual void fetchCapabilities(DataReply reply) = 0;
    // Replies with the current `ChargePolicy`.
    virtual void fetchPolicy(DataReply reply) = 0;
    // Carries out one JSON `ControlCommand`; replies with the `PowerSnapshot` after it.
    virtual void perform(std::vector<std::uint8_t> commandData, DataReply reply) = 0;
};

}  // namespace velkora
