#include "Security/HardenedRuntime.h"

#include <sys/prctl.h>

namespace platform {

bool HardenedRuntime::adopt()
{
    // A process that is not dumpable cannot be attached to or have its memory
    // read through /proc by anyone without the privilege to trace any process.
    return prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
}

}  // namespace platform
