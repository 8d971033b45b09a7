#pragma once

#include "Foundation/NSError.h"

namespace platform {

// The Cocoa error codes that XPC connections report to a proxy's error handler.
enum NSXPCErrorCode : long {
    // The peer went away while the message was outstanding; the connection may be used again.
    NSXPCConnectionInterrupted = 4097,
    // The connection is closed for good: invalidated, refused, or the service does not exist.
    NSXPCConnectionInvalid = 4099,
    // The message was delivered but no valid reply can come back for it.
    NSXPCConnectionReplyInvalid = 4101,
};

}  // namespace platform
