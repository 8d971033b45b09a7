// The least a once-a-second poll can cost: a process that does nothing but
// wake up once a second. daemon-at-rest measures it beside the daemon, the
// same way, to tell waking up from the daemon's own work.

#include <time.h>

int main()
{
    const timespec second{1, 0};
    for (;;) {
        nanosleep(&second, nullptr);
    }
}
