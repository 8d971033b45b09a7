#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Whether a method sends a byte blob along with its request.
enum class NSXPCArgument { none, data };

// The arguments a method's reply block takes: one text that is always present,
// or a byte blob and a text, either of which may be absent.
enum class NSXPCReplyShape { text, dataAndText };

struct NSXPCMethod {
    std::string selector;
    NSXPCArgument argument = NSXPCArgument::none;
    NSXPCReplyShape reply = NSXPCReplyShape::dataAndText;
};

// A protocol as the XPC machinery sees it. C++ has no object runtime to read
// methods from, so the protocol names its selectors and their shapes here; both
// ends check every message and every reply against the interface they were given.
class NSXPCInterface {
public:
    // Throws std::invalid_argument for an empty or over-long selector or one named twice.
    NSXPCInterface(std::string protocolName, std::vector<NSXPCMethod> methods);

    // The interface of a protocol type that describes itself: a static
    // `protocolName` and a static list `methods` whose entries name a
    // `selector` and say whether it `takesData` and `repliesWithOneText`.
    template <typename Protocol>
    static NSXPCInterface interfaceWithProtocol()
    {
        std::vector<NSXPCMethod> methods;
        for (const auto& method : Protocol::methods) {
            methods.push_back({std::string(method.selector),
                               method.takesData ? NSXPCArgument::data : NSXPCArgument::none,
                               method.repliesWithOneText ? NSXPCReplyShape::text : NSXPCReplyShape::dataAndText});
        }
        return NSXPCInterface(std::string(Protocol::protocolName), std::move(methods));
    }

    const std::string& protocolName() const { return protocolName_; }
    const std::vector<NSXPCMethod>& methods() const { return methods_; }

    // The method with this selector, or nullptr when the protocol has none.
    const NSXPCMethod* method(std::string_view selector) const;

private:
    std::string protocolName_;
    std::vector<NSXPCMethod> methods_;
};

}  // namespace platform
