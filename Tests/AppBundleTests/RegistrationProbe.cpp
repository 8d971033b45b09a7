// The application's stand-in inside a copy of the built bundle: it registers,
// queries, unregisters and calls the helper daemon as the application does,
// one command per run, and prints what happened.

#include "Foundation/NSError.h"
#include "Services/DaemonClient.h"
#include "Services/VelkoraDaemonProxy.h"
#include "VelkoraCore/IPC.h"
#include "XPC/NSXPCConnection.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <string>

using namespace velkora;

namespace {

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string ping()
{
    auto connection = std::make_shared<platform::NSXPCConnection>(std::string(IPC::machServiceName),
                                                                  platform::NSXPCConnectionOptions::privileged);
    connection->setRemoteObjectInterface(VelkoraDaemonProxy::interface());
    connection->resume();
    auto answer = std::make_shared<std::promise<std::string>>();
    VelkoraDaemonProxy daemon(connection->remoteObjectProxyWithErrorHandler(
        [answer](const platform::NSError& error) { answer->set_value("error: " + error.localizedDescription()); }));
    daemon.ping([answer](std::string text) { answer->set_value(std::move(text)); });
    auto reply = answer->get_future();
    const std::string text = reply.wait_for(std::chrono::seconds(20)) == std::future_status::ready ? reply.get()
                                                                                                 : "no answer";
    connection->invalidate();
    return text;
}

int run(const QString& command)
{
    const auto client = DaemonClient::create();
    if (command == QStringLiteral("status")) {
        say(client->status().title().toStdString());
    } else if (command == QStringLiteral("install")) {
        say(client->install().title().toStdString());
    } else if (command == QStringLiteral("uninstall")) {
        client->uninstall();
        say("uninstalled");
    } else if (command == QStringLiteral("ping")) {
        say(ping());
    } else if (command == QStringLiteral("health")) {
        const DaemonHealth health = QCoro::waitFor(client->health(20));
        say("build " + health.helperBuild() + " version " + health.appVersion() + " service " +
            health.serviceName());
    } else {
        say("unknown command");
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    try {
        return run(arguments.value(1));
    } catch (const platform::NSError& error) {
        say("NSError " + error.domain() + " " + std::to_string(error.code()) + ": " + error.localizedDescription());
    } catch (const std::exception& error) {
        say(std::string("error: ") + error.what());
    }
    return 1;
}
