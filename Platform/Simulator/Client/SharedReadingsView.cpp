#include "Simulator/SharedReadingsView.h"

#include <sched.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace simulator {

namespace {

// simmac rewrites the readings in tens of microseconds; a reader that meets
// it this often in a row gives up and asks over the socket instead of waiting
// for a simmac that may have stopped mid-write.
constexpr int copyAttempts = 64;

}  // namespace

std::unique_ptr<SharedReadingsView> SharedReadingsView::map(int descriptor)
{
    struct stat status {};
    const bool sized = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
                       static_cast<std::size_t>(status.st_size) > sharedReadingsHeaderSize &&
                       static_cast<std::size_t>(status.st_size) <= sharedReadingsHeaderSize + (64u << 20);
    void* memory = MAP_FAILED;
    if (sized) {
        memory = ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_SHARED, descriptor, 0);
    }
    ::close(descriptor);
    if (memory == MAP_FAILED) {
        return nullptr;
    }
    std::unique_ptr<SharedReadingsView> view(new SharedReadingsView(memory, static_cast<std::size_t>(status.st_size)));
    const SharedReadingsHeader& shared = view->header();
    if (shared.magic != sharedReadingsMagic || shared.version != sharedReadingsVersion ||
        shared.contentCapacity > view->size_ - sharedReadingsHeaderSize) {
        return nullptr;
    }
    view->contentCapacity_ = shared.contentCapacity;
    return view;
}

SharedReadingsView::SharedReadingsView(void* memory, std::size_t size) : memory_(memory), size_(size), contentCapacity_(0)
{
}

SharedReadingsView::~SharedReadingsView()
{
    ::munmap(memory_, size_);
}

const SharedReadingsHeader& SharedReadingsView::header() const
{
    return *static_cast<const SharedReadingsHeader*>(memory_);
}

bool SharedReadingsView::heardWithin(std::chrono::nanoseconds limit) const
{
    const std::int64_t heard = header().heartbeatNanoseconds.load(std::memory_order_acquire);
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    return heard > 0 && now - heard <= limit.count();
}

template <typename Copy>
bool SharedReadingsView::copyConsistently(Copy&& copy) const
{
    const SharedReadingsHeader& shared = header();
    const auto* content = static_cast<const std::uint8_t*>(memory_) + sharedReadingsHeaderSize;
    for (int attempt = 0; attempt < copyAttempts; ++attempt) {
        const std::uint64_t before = shared.sequence.load(std::memory_order_acquire);
        if (before % 2 != 0) {
            ::sched_yield();
            continue;
        }
        const std::size_t length =
            std::min<std::size_t>(shared.contentLength.load(std::memory_order_relaxed), contentCapacity_);
        const bool copied = copy(std::span<const std::uint8_t>(content, length));
        std::atomic_thread_fence(std::memory_order_acquire);
        if (shared.sequence.load(std::memory_order_relaxed) == before) {
            return copied;
        }
    }
    return false;
}

bool SharedReadingsView::copyQueryAnswer(QueryOperation operation, std::string_view className,
                                         QueryOutcome& outcome, std::vector<std::uint8_t>& body) const
{
    return copyConsistently([&](std::span<const std::uint8_t> content) {
        const std::optional<SharedRecordBody> record =
            findSharedRecord(content, SharedRecordKind::queryAnswer, operation, className);
        if (!record) {
            return false;
        }
        outcome = record->outcome;
        const std::span<const std::uint8_t> bytes = content.subspan(record->offset, record->length);
        body.assign(bytes.begin(), bytes.end());
        return true;
    });
}

SharedReadingsView::KeyLookup SharedReadingsView::copyKey(std::string_view serviceClass, std::uint32_t code,
                                                          KeyEntry& entry) const
{
    KeyLookup lookup = KeyLookup::notShared;
    const bool copied = copyConsistently([&](std::span<const std::uint8_t> content) {
        const std::optional<SharedRecordBody> record =
            findSharedRecord(content, SharedRecordKind::userClientKeys, QueryOperation{}, serviceClass);
        if (!record) {
            return false;
        }
        const std::span<const std::uint8_t> keys = content.subspan(record->offset, record->length);
        const std::optional<std::size_t> found = findSharedKey(keys, code);
        if (!found || *found + sharedKeyEntrySize > keys.size()) {
            lookup = KeyLookup::missing;
            return true;
        }
        std::memcpy(entry.data(), keys.data() + *found, sharedKeyEntrySize);
        lookup = KeyLookup::found;
        return true;
    });
    return copied ? lookup : KeyLookup::notShared;
}

}  // namespace simulator
