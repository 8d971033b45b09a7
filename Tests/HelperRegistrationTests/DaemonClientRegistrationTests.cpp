#include "Foundation/NSError.h"
#include "ServiceManagement/SMAppService.h"
#include "Services/ClientError.h"
#include "Services/DaemonClient.h"
#include "Services/VelkoraDaemonProxy.h"
#include "VelkoraCore/IPC.h"
#include "XPC/NSXPCConnection.h"
#include "XPC/NSXPCExportedObject.h"
#include "XPC/NSXPCListener.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <variant>
#include <vector>

namespace {

using platform::NSError;
using platform::SMAppService;
using velkora::ClientError;
using velkora::DaemonClient;
using velkora::HelperStatus;
using namespace std::chrono_literals;

NSError posixError(long code)
{
    return NSError(platform::NSPOSIXErrorDomain, code);
}

NSError serviceManagerError(long code)
{
    return NSError(platform::SMAppServiceErrorDomain, code);
}

// `outer` with `inner` as its underlying error.
NSError over(const NSError& outer, const NSError& inner)
{
    NSError::UserInfo userInfo = outer.userInfo();
    userInfo[platform::NSUnderlyingErrorKey] = std::make_shared<const NSError>(inner);
    return NSError(outer.domain(), outer.code(), std::move(userInfo));
}

// A service manager registration whose every answer the test sets.
class ScriptedService final : public SMAppService {
public:
    std::optional<NSError> registerError;
    std::optional<NSError> unregisterError;
    Status current = Status::notRegistered;
    int registrations = 0;
    int unregistrations = 0;

    void registerService() override
    {
        ++registrations;
        if (registerError) {
            throw *registerError;
        }
    }
    void unregisterService() override
    {
        ++unregistrations;
        if (unregisterError) {
            throw *unregisterError;
        }
    }
    Status status() const override { return current; }
};

TEST(HelperRegistrationErrors, ApprovalAndDatabaseErrorsAreFoundAnywhereInTheChain)
{
    const NSError unrelated("com.example.wrapper", 42);
    const struct {
        const char* name;
        std::variant<NSError, std::runtime_error> error;
        bool approval;
        bool blockedDatabase;
    } cases[] = {
        {"POSIX 13 two levels under unrelated errors", over(unrelated, over(NSError("NSCocoaErrorDomain", 4), posixError(13))),
         true, false},
        {"POSIX 1", posixError(1), true, false},
        {"another POSIX error", posixError(ENOENT), false, false},
        {"the service manager's 4", serviceManagerError(4), true, false},
        {"the service manager's 11 under an unrelated error", over(unrelated, serviceManagerError(11)), true, false},
        {"the service manager's 1", serviceManagerError(1), false, true},
        {"the service manager's 1 nested", over(unrelated, serviceManagerError(1)), false, true},
        {"both kinds in one chain", over(serviceManagerError(1), posixError(13)), true, true},
        {"code 13 of another domain", NSError("com.example.other", 13), false, false},
        {"an underlying entry that is not an error",
         NSError("com.example.wrapper", 1, {{platform::NSUnderlyingErrorKey, std::string("POSIX 13")}}), false, false},
        {"an underlying error kept by value",
         NSError("com.example.wrapper", 1, {{platform::NSUnderlyingErrorKey, posixError(1)}}), true, false},
        {"an error that is no platform error", std::runtime_error("Operation not permitted"), false, false},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        std::visit(
            [&](const auto& error) {
                EXPECT_EQ(DaemonClient::isApprovalRequiredError(error), testCase.approval);
                EXPECT_EQ(DaemonClient::isRegistrationDatabaseBlockedError(error), testCase.blockedDatabase);
            },
            testCase.error);
    }
}

TEST(HelperRegistration, StatusReadsTheServiceManagerEachTime)
{
    const auto service = std::make_shared<ScriptedService>();
    const auto client = DaemonClient::create(velkora::TimeoutScheduler::steady(), service);
    const struct {
        SMAppService::Status status;
        HelperStatus expected;
    } cases[] = {
        {SMAppService::Status::enabled, HelperStatus::enabled()},
        {SMAppService::Status::requiresApproval, HelperStatus::requiresApproval()},
        {SMAppService::Status::notRegistered, HelperStatus::notInstalled()},
        {SMAppService::Status::notFound, HelperStatus::notInstalled()},
        {static_cast<SMAppService::Status>(42), HelperStatus::notInstalled()},
    };
    for (const auto& testCase : cases) {
        service->current = testCase.status;
        EXPECT_EQ(client->status(), testCase.expected) << static_cast<int>(testCase.status);
    }
}

TEST(HelperRegistration, InstallTurnsApprovalAndEnabledFailuresIntoStatuses)
{
    const NSError refused = serviceManagerError(platform::SMAppServiceErrorRequestRefused);
    const struct {
        const char* name;
        std::optional<NSError> registerError;
        SMAppService::Status statusAfter;
        std::optional<HelperStatus> expected;  // nothing: the registration error is thrown
        bool logsApproval;
    } cases[] = {
        {"registered and enabled", std::nullopt, SMAppService::Status::enabled, HelperStatus::enabled(), false},
        {"registered, waiting for approval", std::nullopt, SMAppService::Status::requiresApproval,
         HelperStatus::requiresApproval(), false},
        {"refused while the status asks for approval", refused, SMAppService::Status::requiresApproval,
         HelperStatus::requiresApproval(), true},
        {"refused with an approval error beneath", over(refused, posixError(1)), SMAppService::Status::notRegistered,
         HelperStatus::requiresApproval(), true},
        {"refused while the helper is enabled", refused, SMAppService::Status::enabled, HelperStatus::enabled(),
         false},
        {"refused", refused, SMAppService::Status::notRegistered, std::nullopt, false},
        {"refused by a blocked database", serviceManagerError(1), SMAppService::Status::notFound, std::nullopt, false},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const auto service = std::make_shared<ScriptedService>();
        service->registerError = testCase.registerError;
        service->current = testCase.statusAfter;
        const auto client = DaemonClient::create(velkora::TimeoutScheduler::steady(), service);

        testing::internal::CaptureStderr();
        std::optional<HelperStatus> result;
        std::optional<NSError> thrown;
        try {
            result = client->install();
        } catch (const NSError& error) {
            thrown = error;
        }
        const std::string log = testing::internal::GetCapturedStderr();

        EXPECT_EQ(service->registrations, 1);
        EXPECT_EQ(result, testCase.expected);
        if (!testCase.expected) {
            ASSERT_TRUE(thrown);
            EXPECT_EQ(*thrown, *testCase.registerError) << "thrown unchanged";
        }
        EXPECT_EQ(log.find("Helper registration requires approval: " + std::string(refused.what())) !=
                      std::string::npos,
                  testCase.logsApproval)
            << log;
    }
}

// A daemon that keeps every request unanswered.
class SilentDaemon final : public platform::NSXPCListenerDelegate,
                           public platform::NSXPCExportedObject,
                           public std::enable_shared_from_this<SilentDaemon> {
public:
    bool shouldAcceptNewConnection(platform::NSXPCListener&,
                                   std::shared_ptr<platform::NSXPCConnection> connection) override
    {
        connection->setExportedInterface(velkora::VelkoraDaemonProxy::interface());
        connection->setExportedObject(shared_from_this());
        connection->resume();
        return true;
    }

    void dispatch(const std::string&, std::optional<std::vector<std::uint8_t>>, platform::NSXPCReply reply) override
    {
        std::lock_guard lock(mutex_);
        held_.push_back(std::move(reply));
    }

    std::size_t held()
    {
        std::lock_guard lock(mutex_);
        return held_.size();
    }

private:
    std::mutex mutex_;
    std::vector<platform::NSXPCReply> held_;
};

QCoro::Task<void> recordEnding(QCoro::Task<velkora::PowerSnapshot> call, std::exception_ptr& error, bool& ended)
{
    try {
        co_await call;
    } catch (...) {
        error = std::current_exception();
    }
    ended = true;
}

TEST(HelperRegistration, UninstallDropsTheConnectionEvenWhenUnregisteringFails)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "helper-registration-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    setenv("SIMMAC_ROOT", pattern.c_str(), 1);
    {
        const auto daemon = std::make_shared<SilentDaemon>();
        platform::NSXPCListener listener(std::string(velkora::IPC::machServiceName));
        listener.setDelegate(daemon);
        listener.resume();

        const auto service = std::make_shared<ScriptedService>();
        service->unregisterError = serviceManagerError(platform::SMAppServiceErrorRequestRefused);
        const auto client = DaemonClient::create(velkora::TimeoutScheduler::steady(), service);

        std::exception_ptr error;
        bool ended = false;
        const QCoro::Task<void> pending = recordEnding(client->fetchSnapshot(30), error, ended);
        const QDeadlineTimer deadline(10s);
        while (daemon->held() == 0 && !deadline.hasExpired()) {
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_EQ(daemon->held(), 1u);

        EXPECT_THROW(client->uninstall(), NSError);
        EXPECT_EQ(service->unregistrations, 1);
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (ended || deadline.hasExpired()) {
                loop.quit();
            }
        });
        poll.start(1);
        loop.exec();
        ASSERT_TRUE(ended);
        try {
            std::rethrow_exception(error);
        } catch (const ClientError& clientError) {
            EXPECT_EQ(clientError, ClientError::connectionUnavailable());
        } catch (...) {
            ADD_FAILURE() << "the pending call ended with another error";
        }
    }
    unsetenv("SIMMAC_ROOT");
    std::filesystem::remove_all(pattern);
}

}  // namespace
