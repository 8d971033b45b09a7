#include "XPCServingContext.h"

#include <system_error>

namespace platform {

std::shared_ptr<XPCServingContext> XPCServingContext::make()
{
    return std::shared_ptr<XPCServingContext>(new XPCServingContext());
}

XPCServingContext::XPCServingContext() : workGuard_(io_.get_executor()) {}

XPCServingContext::~XPCServingContext()
{
    for (std::thread& thread : threads_) {
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach();
        } else if (thread.joinable()) {
            thread.join();
        }
    }
}

std::size_t XPCServingContext::start(std::size_t count)
{
    for (std::size_t index = 0; index < count; ++index) {
        try {
            threads_.emplace_back([self = shared_from_this()] { self->io_.run(); });
        } catch (const std::system_error&) {
            break;
        }
    }
    return threads_.size();
}

void XPCServingContext::finish()
{
    asio::post(io_, [self = shared_from_this()] { self->workGuard_.reset(); });
}

}  // namespace platform
