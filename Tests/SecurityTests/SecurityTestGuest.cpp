// Runs as a guest whose code the tests look up by process identifier: it
// announces itself once it runs and stays until its input is closed.
#include <unistd.h>

int main()
{
    const char ready[] = "ready\n";
    if (write(STDOUT_FILENO, ready, sizeof ready - 1) < 0) {
        return 1;
    }
    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    return 0;
}
