#pragma once

#include <sys/types.h>

#include <string>

namespace simmac {

// The short name of the running process `pid` (as /proc lists it), for
// status listings; "?" when it is gone or unreadable.
std::string processName(pid_t pid);

}  // namespace simmac
