// Runs as a guest whose code the tests look up by process identifier: it
// announces itself once it runs and stays until its input is closed. Given
// the path of a library, it loads that library first, as code that pulls in
// a plug-in from wherever it is told would.
#include <dlfcn.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc > 1 && dlopen(argv[1], RTLD_NOW) == nullptr) {
        return 2;
    }
    const char ready[] = "ready\n";
    if (write(STDOUT_FILENO, ready, sizeof ready - 1) < 0) {
        return 1;
    }
    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    return 0;
}
