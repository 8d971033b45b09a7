#include "XPC/NSXPCInterface.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace platform {

NSXPCInterface::NSXPCInterface(std::string protocolName, std::vector<NSXPCMethod> methods)
    : protocolName_(std::move(protocolName)), methods_(std::move(methods))
{
    for (size_t index = 0; index < methods_.size(); ++index) {
        const std::string& selector = methods_[index].selector;
        // Selectors travel with a 16-bit length in every frame.
        if (selector.empty() || selector.size() > std::numeric_limits<std::uint16_t>::max()) {
            throw std::invalid_argument("Protocol " + protocolName_ + " has a selector of invalid length " +
                                        std::to_string(selector.size()));
        }
        for (size_t earlier = 0; earlier < index; ++earlier) {
            if (methods_[earlier].selector == selector) {
                throw std::invalid_argument("Protocol " + protocolName_ + " names the selector " + selector +
                                            " twice");
            }
        }
    }
}

const NSXPCMethod* NSXPCInterface::method(std::string_view selector) const
{
    for (const NSXPCMethod& candidate : methods_) {
        if (candidate.selector == selector) {
            return &candidate;
        }
    }
    return nullptr;
}

}  // namespace platform
