#include "Security/CodeSigner.h"
#include "SigningFixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

// The files a check reads belong to whoever wants to be served, so they may
// be built to hang the checker or to make it read without end. Each such
// bundle is refused, and quickly.
namespace {

using namespace std::chrono_literals;
using platform::CodeSigner;

class HostileFiles : public SigningFixture {
public:
    std::filesystem::path signedBundle()
    {
        const std::filesystem::path bundle = makeBundle("Client");
        CodeSigner::sign(bundle, appIdentifier, trusted());
        return bundle;
    }

    // The status of checking `bundle`, which must come within two seconds.
    // A check that hangs on a FIFO is freed by `unblock` before the test fails.
    OSStatus checkPromptly(const std::filesystem::path& bundle, const std::function<void()>& unblock = [] {})
    {
        std::packaged_task<OSStatus()> task([this, bundle] { return check(bundle, requirementFor(appIdentifier, team())); });
        std::future<OSStatus> status = task.get_future();
        std::thread checker(std::move(task));
        const bool prompt = status.wait_for(2s) == std::future_status::ready;
        if (!prompt) {
            unblock();
        }
        checker.join();
        EXPECT_TRUE(prompt) << "the check did not end within 2 s";
        return status.get();
    }
};

TEST_F(HostileFiles, ASignatureRecordThatIsAFifoIsRefusedWithoutWaiting)
{
    const std::filesystem::path bundle = signedBundle();
    const std::filesystem::path record = bundle / "Contents/_CodeSignature/CodeResources";
    std::filesystem::remove(record);
    ASSERT_EQ(mkfifo(record.c_str(), 0644), 0);
    EXPECT_EQ(checkPromptly(bundle, [&] { close(open(record.c_str(), O_WRONLY | O_NONBLOCK)); }),
              errSecCSSignatureFailed);
    EXPECT_NE(lastErrors.find("not a regular file"), std::string::npos) << lastErrors;
}

TEST_F(HostileFiles, ASignatureRecordLinkedToAnEndlessDeviceIsRefusedWithoutReading)
{
    const std::filesystem::path bundle = signedBundle();
    const std::filesystem::path record = bundle / "Contents/_CodeSignature/CodeResources";
    std::filesystem::remove(record);
    std::filesystem::create_symlink("/dev/zero", record);
    EXPECT_EQ(checkPromptly(bundle), errSecCSSignatureFailed);
    EXPECT_NE(lastErrors.find("symbolic link"), std::string::npos) << lastErrors;
}

TEST_F(HostileFiles, AnOversizedSignatureRecordIsRefusedWithoutReading)
{
    const std::filesystem::path bundle = signedBundle();
    std::filesystem::resize_file(bundle / "Contents/_CodeSignature/CodeResources", std::uintmax_t{1} << 30);
    EXPECT_EQ(checkPromptly(bundle), errSecCSSignatureFailed);
    EXPECT_NE(lastErrors.find("more than a record can be"), std::string::npos) << lastErrors;
}

TEST_F(HostileFiles, AMainExecutableLinkedOutOfTheBundleIsRefused)
{
    const std::filesystem::path bundle = signedBundle();
    const std::filesystem::path executable = bundle / "Contents/MacOS/Client";
    std::filesystem::remove(executable);
    std::filesystem::create_symlink("/dev/zero", executable);
    EXPECT_EQ(checkPromptly(bundle), errSecCSBadResource);
    EXPECT_NE(lastErrors.find("symbolic link"), std::string::npos) << lastErrors;
}

TEST_F(HostileFiles, ASealedFileSwappedForAFifoIsRefusedWithoutWaiting)
{
    const std::filesystem::path bundle = signedBundle();
    const std::filesystem::path strings = bundle / "Contents/Resources/en.lproj/Localizable.strings";
    std::filesystem::remove(strings);
    ASSERT_EQ(mkfifo(strings.c_str(), 0644), 0);
    EXPECT_EQ(checkPromptly(bundle, [&] { close(open(strings.c_str(), O_WRONLY | O_NONBLOCK)); }),
              errSecCSBadResource);
}

// Sparse, so that it costs the disk nothing: a check that hashed it would read
// for many seconds.
TEST_F(HostileFiles, AFileLargerThanACheckMayReadIsRefusedBeforeHashing)
{
    const std::filesystem::path bundle = signedBundle();
    std::filesystem::resize_file(bundle / "Contents/Resources/en.lproj/Localizable.strings",
                                 std::uintmax_t{64} << 30);
    EXPECT_EQ(checkPromptly(bundle), errSecCSInternalError);
    EXPECT_NE(lastErrors.find("bytes a check may read"), std::string::npos) << lastErrors;
}

}  // namespace
