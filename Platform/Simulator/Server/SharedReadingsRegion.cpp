#include "Simmac/SharedReadingsRegion.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

namespace simmac {

namespace {

constexpr std::size_t regionSize = simulator::sharedReadingsHeaderSize + simulator::sharedReadingsContentCapacity;

std::int64_t steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::unique_ptr<SharedReadingsRegion> SharedReadingsRegion::create(std::string& failure)
{
    const int writable = ::memfd_create("simmac-readings", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (writable < 0) {
        failure = std::string("no memory file: ") + std::strerror(errno);
        return nullptr;
    }
    if (::ftruncate(writable, static_cast<off_t>(regionSize)) != 0) {
        failure = std::string("cannot size the memory file: ") + std::strerror(errno);
        ::close(writable);
        return nullptr;
    }
    void* memory = ::mmap(nullptr, regionSize, PROT_READ | PROT_WRITE, MAP_SHARED, writable, 0);
    if (memory == MAP_FAILED) {
        failure = std::string("cannot map the memory file: ") + std::strerror(errno);
        ::close(writable);
        return nullptr;
    }
    // From here on only this mapping writes: clients rely on the size they
    // mapped, and whoever holds the descriptor (or opens it again through
    // /proc) can neither write nor map it writable.
    if (::fcntl(writable, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_FUTURE_WRITE | F_SEAL_SEAL) != 0) {
        failure = std::string("cannot seal the memory file: ") + std::strerror(errno);
        ::munmap(memory, regionSize);
        ::close(writable);
        return nullptr;
    }
    auto* header = new (memory) simulator::SharedReadingsHeader;
    header->magic = simulator::sharedReadingsMagic;
    header->version = simulator::sharedReadingsVersion;
    header->contentCapacity = static_cast<std::uint32_t>(simulator::sharedReadingsContentCapacity);
    std::unique_ptr<SharedReadingsRegion> region(new SharedReadingsRegion(writable, memory));
    region->renewHeartbeat();
    return region;
}

SharedReadingsRegion::SharedReadingsRegion(int descriptor, void* memory) : descriptor_(descriptor), memory_(memory)
{
}

SharedReadingsRegion::~SharedReadingsRegion()
{
    endHeartbeat();
    ::munmap(memory_, regionSize);
    ::close(descriptor_);
}

simulator::SharedReadingsHeader& SharedReadingsRegion::header() const
{
    return *static_cast<simulator::SharedReadingsHeader*>(memory_);
}

void SharedReadingsRegion::publish(const simulator::SharedReadingsContent& content)
{
    const std::size_t length = content.lengthWithin(simulator::sharedReadingsContentCapacity);
    simulator::SharedReadingsHeader& shared = header();
    const std::uint64_t sequence = shared.sequence.load(std::memory_order_relaxed);
    shared.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    std::memcpy(static_cast<std::uint8_t*>(memory_) + simulator::sharedReadingsHeaderSize, content.bytes().data(), length);
    shared.contentLength.store(static_cast<std::uint32_t>(length), std::memory_order_relaxed);
    shared.sequence.store(sequence + 2, std::memory_order_release);
}

void SharedReadingsRegion::renewHeartbeat()
{
    header().heartbeatNanoseconds.store(steadyNanoseconds(), std::memory_order_release);
}

void SharedReadingsRegion::endHeartbeat()
{
    header().heartbeatNanoseconds.store(0, std::memory_order_release);
}

}  // namespace simmac
