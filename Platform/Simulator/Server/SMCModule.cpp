#include "Simmac/SMCModule.h"

#include <algorithm>
#include <cstring>

#include "Simmac/ClientSession.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/HardwareModel.h"
#include "Simmac/OperationCall.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

namespace {

using namespace simulator::smc;

simulator::smc::KeyView viewOf(const SMCKey& key)
{
    return {key.code, key.type, key.attributes(), key.value};
}

}  // namespace

nlohmann::ordered_json describeKey(const SMCKey& key)
{
    return {{"key", codeText(key.code)},          {"type", codeText(key.type)},
            {"size", key.size()},                 {"value", hexText(key.value)},
            {"writable", key.writable},           {"fault", faultName(key.fault)}};
}

SMCModule::SMCModule(Dispatcher& dispatcher)
{
    dispatcher.addModule(*this);
    dispatcher.publishService(serviceClass, [this](ClientSession& session, std::uint32_t selector,
                                                 std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                                                 std::size_t& outputLength) {
        return callStructMethod(session, selector, input, output, outputLength);
    });

    dispatcher.addOperation("smc.list", [this](OperationCall& call) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const SMCKey& key : keys_.keys()) {
            list.push_back(describeKey(key));
        }
        call.succeed(std::move(list));
    });
    dispatcher.addOperation("smc.read", [this](OperationCall& call) {
        call.succeed(describeKey(keyArgument(call.arguments())));
    });
    dispatcher.addOperation("smc.write", [this](OperationCall& call) {
        SMCKey& key = keyArgument(call.arguments());
        std::vector<std::uint8_t> value = bytesFromHex(call.stringArgument("value"));
        if (value.size() != key.size()) {
            throw SimulatorError("SMC key \"" + codeText(key.code) + "\" takes " + std::to_string(key.size()) +
                                 (key.size() == 1 ? " byte" : " bytes") + ", the value has " +
                                 std::to_string(value.size()));
        }
        key.value = std::move(value);
        keysSetByHand_.insert(key.code);
        call.succeed(describeKey(key));
    });
    dispatcher.addOperation("smc.fault", [this](OperationCall& call) {
        SMCKey& key = keyArgument(call.arguments());
        const std::string mode = call.stringArgument("mode");
        const std::optional<SMCFault> fault = faultNamed(mode);
        if (!fault) {
            throw SimulatorError("unknown fault mode \"" + mode + "\" (use none, ignore-writes or refuse)");
        }
        key.fault = *fault;
        call.succeed(describeKey(key));
    });
}

SMCKey& SMCModule::keyArgument(const nlohmann::ordered_json& arguments)
{
    const auto member = arguments.find("key");
    if (member == arguments.end() || !member->is_string()) {
        throw SimulatorError("an SMC operation needs the text argument \"key\"");
    }
    const std::string text = member->get<std::string>();
    SMCKey* key = keys_.find(codeFromText(text, "an SMC key"));
    if (key == nullptr) {
        throw SimulatorError("unknown SMC key \"" + text + "\"");
    }
    return *key;
}

std::function<void()> SMCModule::prepareModel(const HardwareModel& model)
{
    auto table = std::make_shared<SMCKeyTable>(SMCKeyTable::fromModel(model.document(), model.name()));
    return [this, table] {
        keys_ = std::move(*table);
        keysSetByHand_.clear();
    };
}

void SMCModule::updateSensor(std::uint32_t code, std::span<const std::uint8_t> value)
{
    SMCKey* key = keys_.find(code);
    if (key == nullptr || key->size() != value.size() || keysSetByHand_.contains(code)) {
        return;
    }
    std::copy(value.begin(), value.end(), key->value.begin());
}

void SMCModule::shareReadings(simulator::SharedReadingsContent& content) const
{
    std::vector<simulator::smc::KeyView> keys;
    keys.reserve(keys_.count());
    for (const SMCKey& key : keys_.keys()) {
        keys.push_back(viewOf(key));
    }
    content.addUserClientKeys(serviceClass, keys);
}

void SMCModule::addStatus(nlohmann::ordered_json& status) const
{
    nlohmann::ordered_json faults = nlohmann::ordered_json::object();
    for (const SMCKey& key : keys_.keys()) {
        if (key.fault != SMCFault::none) {
            faults[codeText(key.code)] = faultName(key.fault);
        }
    }
    nlohmann::ordered_json setByHand = nlohmann::ordered_json::array();
    for (const std::uint32_t code : keysSetByHand_) {
        setByHand.push_back(codeText(code));
    }
    status["smc"] = {{"keys", keys_.count()}, {"faults", std::move(faults)}, {"setByHand", std::move(setByHand)}};
}

IOReturn SMCModule::callStructMethod(ClientSession& session, std::uint32_t selector,
                                     std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                                     std::size_t& outputLength)
{
    if (selector != structMethodSelector) {
        return kIOReturnUnsupported;
    }
    if (input.size() != recordSize || output.size() < recordSize) {
        return kIOReturnBadArgument;
    }
    const std::span<std::uint8_t> record = output.first(recordSize);
    std::fill(record.begin(), record.end(), 0);
    outputLength = recordSize;

    const std::uint8_t command = input[commandOffset];
    if (command == commandKeyAtIndex) {
        const std::uint32_t index = loadField(input, indexOffset);
        if (index >= keys_.count()) {
            record[resultOffset] = resultKeyIndexRange;
        } else {
            storeField(record, keyOffset, keys_.keys()[index].code);
        }
        return kIOReturnSuccess;
    }
    if (command != commandReadKey && command != commandWriteKey && command != commandKeyInfo) {
        record[resultOffset] = resultBadCommand;
        return kIOReturnSuccess;
    }
    if (command == commandWriteKey && !session.isPrivileged()) {
        return kIOReturnNotPrivileged;
    }

    const std::uint32_t code = loadField(input, keyOffset);
    SMCKey* key = keys_.find(code);
    if (command != commandWriteKey) {
        const simulator::smc::KeyView view = key != nullptr ? viewOf(*key) : simulator::smc::KeyView{};
        answerKeyRead(input, key != nullptr ? &view : nullptr, record);
        return kIOReturnSuccess;
    }
    storeField(record, keyOffset, code);
    if (key == nullptr) {
        record[resultOffset] = resultKeyNotFound;
    } else if (loadField(input, dataSizeOffset) != key->size()) {
        record[resultOffset] = resultKeySizeMismatch;
    } else if (!key->writable || key->fault == SMCFault::refuse) {
        record[resultOffset] = resultKeyNotWritable;
    } else if (key->fault == SMCFault::none) {
        std::copy_n(input.begin() + bytesOffset, std::min<std::size_t>(key->size(), bytesCapacity), key->value.begin());
    }
    return kIOReturnSuccess;
}

}  // namespace simmac
