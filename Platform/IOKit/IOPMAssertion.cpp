// The power assertions, alone in their file: a program's tests may stand in
// for these two calls without taking the rest of the library along.

#include "IOKit/pwr_mgt/IOPMLib.h"
#include "Simulator/SharedSimmacConnection.h"

IOReturn IOPMAssertionCreateWithName(const char* type, IOPMAssertionLevel level, const char* name,
                                     IOPMAssertionID* assertionID)
{
    if (type == nullptr || name == nullptr || assertionID == nullptr) {
        return kIOReturnBadArgument;
    }
    try {
        const auto reply = simulator::SharedSimmacConnection::request(
            "pm.assertion.create", {{"type", type}, {"level", level}, {"name", name}});
        const IOReturn status = reply.value("status", kIOReturnInternalError);
        if (status == kIOReturnSuccess) {
            *assertionID = reply.at("id").get<IOPMAssertionID>();
        }
        return status;
    } catch (const simulator::SimmacError&) {
        return kIOReturnNotResponding;
    } catch (const nlohmann::json::exception&) {
        return kIOReturnInternalError;
    }
}

IOReturn IOPMAssertionRelease(IOPMAssertionID assertionID)
{
    try {
        return simulator::SharedSimmacConnection::request("pm.assertion.release", {{"id", assertionID}})
            .value("status", kIOReturnInternalError);
    } catch (const simulator::SimmacError&) {
        return kIOReturnNotResponding;
    } catch (const nlohmann::json::exception&) {
        return kIOReturnInternalError;
    }
}
