#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "XPC/NSXPCReply.h"

namespace platform {

// The object a connection serves. The connection calls `dispatch` on its own
// strand for every request whose selector and argument match the exported
// interface; the listener's connections share a few threads, so `dispatch`
// must not block. The object answers through `reply` exactly once, on any
// thread and at any later time; it must not throw.
class NSXPCExportedObject {
public:
    virtual ~NSXPCExportedObject() = default;

    virtual void dispatch(const std::string& selector, std::optional<std::vector<std::uint8_t>> argument,
                          NSXPCReply reply) = 0;
};

}  // namespace platform
