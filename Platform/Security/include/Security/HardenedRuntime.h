#pragma once

namespace platform {

// What code signed with the hardened runtime gets from the system: no other
// process of the same user may attach to it as a debugger, read or write its
// memory, or have it dump core. Called first thing in main, before the
// process talks to anyone; a process that was already being traced stays
// traced, which the checks of its code see and refuse.
class HardenedRuntime {
public:
    // Returns false when the system refused (the process goes on unprotected).
    static bool adopt();
};

}  // namespace platform
