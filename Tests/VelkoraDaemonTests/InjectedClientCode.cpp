// Code injected into the signed application with LD_PRELOAD: when the
// program starts, before its own code runs, it connects to the daemon as
// the application would, sends VELKORA_INJECTED_COMMAND (the JSON of a
// ControlCommand) and prints one line, "injected served" when anything
// answered it, else "injected refused".

#include "RawDaemonConnection.h"

#include <unistd.h>

namespace {

using namespace std::chrono_literals;

__attribute__((constructor)) void sendFromInsideTheApplication()
{
    const char* command = std::getenv("VELKORA_INJECTED_COMMAND");
    if (command == nullptr) {
        return;
    }
    const int connection = attack::connectToDaemon();
    const bool served = connection >= 0 && attack::mayTalk(connection, 1s) &&
                        attack::sendAll(connection, attack::performFrame(command)) &&
                        attack::requestWasServed(connection, 5s);
    if (connection >= 0) {
        close(connection);
    }
    const char* outcome = served ? "injected served\n" : "injected refused\n";
    if (write(STDOUT_FILENO, outcome, std::strlen(outcome)) < 0) {
        _exit(1);
    }
}

}  // namespace
