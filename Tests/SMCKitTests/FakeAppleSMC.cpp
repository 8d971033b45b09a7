#include "FakeAppleSMC.h"

#include <cstring>

FakeAppleSMC& FakeAppleSMC::shared()
{
    static FakeAppleSMC fake;
    return fake;
}

void FakeAppleSMC::reset()
{
    std::lock_guard lock(mutex_);
    keys_.clear();
    requests_.clear();
    script_ = nullptr;
    serviceAvailable_ = true;
    openResult_ = kIOReturnSuccess;
}

void FakeAppleSMC::addKey(std::uint32_t code, std::uint32_t type, std::vector<std::uint8_t> value)
{
    std::lock_guard lock(mutex_);
    keys_[code] = {type, std::move(value)};
}

std::vector<std::uint8_t> FakeAppleSMC::value(std::uint32_t code) const
{
    std::lock_guard lock(mutex_);
    return keys_.at(code).value;
}

void FakeAppleSMC::setScript(Script script)
{
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

void FakeAppleSMC::setServiceAvailable(bool available)
{
    std::lock_guard lock(mutex_);
    serviceAvailable_ = available;
}

void FakeAppleSMC::setOpenResult(kern_return_t result)
{
    std::lock_guard lock(mutex_);
    openResult_ = result;
}

std::vector<SMCParamRecord> FakeAppleSMC::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t FakeAppleSMC::requestCount(std::uint8_t command) const
{
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const SMCParamRecord& request : requests_) {
        count += request.command == command ? 1 : 0;
    }
    return count;
}

bool FakeAppleSMC::serviceAvailable() const
{
    std::lock_guard lock(mutex_);
    return serviceAvailable_;
}

kern_return_t FakeAppleSMC::openResult() const
{
    std::lock_guard lock(mutex_);
    return openResult_;
}

kern_return_t FakeAppleSMC::handle(const SMCParamRecord& input, SMCParamRecord& output)
{
    std::lock_guard lock(mutex_);
    requests_.push_back(input);
    std::memset(&output, 0, sizeof output);
    if (script_) {
        if (const std::optional<SMCResult_t> scripted = script_(input)) {
            output.result = scripted->smcResult;
            return scripted->kIOReturn;
        }
    }
    if (input.command == kSMCCommandGetKeyFromIndex) {
        if (input.index >= keys_.size()) {
            output.result = 0xB8;
            return kIOReturnSuccess;
        }
        output.key = std::next(keys_.begin(), input.index)->first;
        return kIOReturnSuccess;
    }
    const auto key = keys_.find(input.key);
    if (key == keys_.end()) {
        output.result = kSMCResultKeyNotFound;
        return kIOReturnSuccess;
    }
    output.key = input.key;
    switch (input.command) {
    case kSMCCommandGetKeyInfo:
        output.info.dataSize = static_cast<std::uint32_t>(key->second.value.size());
        output.info.dataType = key->second.type;
        output.info.dataAttributes = 0xC0;
        break;
    case kSMCCommandReadKey:
        std::memcpy(output.bytes, key->second.value.data(), key->second.value.size());
        break;
    case kSMCCommandWriteKey:
        std::memcpy(key->second.value.data(), input.bytes, key->second.value.size());
        break;
    default:
        output.result = 0x82;
    }
    return kIOReturnSuccess;
}

// The IOKit calls the SMC layer makes, answered by the fake.

mach_port_t mach_task_self()
{
    return 1;
}

IOMatchingDictionaryRef IOServiceMatching(const char* name)
{
    return std::make_unique<IOMatchingDictionary>(IOMatchingDictionary{name});
}

io_service_t IOServiceGetMatchingService(mach_port_t, IOMatchingDictionaryRef matching)
{
    return matching && matching->className == "AppleSMC" && FakeAppleSMC::shared().serviceAvailable() ? 7 : 0;
}

kern_return_t IOServiceOpen(io_service_t, task_port_t, std::uint32_t, io_connect_t* connect)
{
    const kern_return_t result = FakeAppleSMC::shared().openResult();
    if (result == kIOReturnSuccess) {
        *connect = 9;
    }
    return result;
}

kern_return_t IOServiceClose(io_connect_t)
{
    return kIOReturnSuccess;
}

kern_return_t IOObjectRelease(io_object_t)
{
    return kIOReturnSuccess;
}

kern_return_t IOConnectCallStructMethod(io_connect_t, std::uint32_t selector, const void* inputStruct,
                                        std::size_t inputStructCnt, void* outputStruct, std::size_t* outputStructCnt)
{
    if (selector != kSMCUserClientMethod || inputStructCnt != sizeof(SMCParamRecord) ||
        *outputStructCnt < sizeof(SMCParamRecord)) {
        return kIOReturnBadArgument;
    }
    SMCParamRecord input;
    std::memcpy(&input, inputStruct, sizeof input);
    SMCParamRecord output;
    const kern_return_t result = FakeAppleSMC::shared().handle(input, output);
    std::memcpy(outputStruct, &output, sizeof output);
    *outputStructCnt = sizeof output;
    return result;
}
