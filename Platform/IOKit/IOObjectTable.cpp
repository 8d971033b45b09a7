#include "IOObjectTable.h"

namespace platform {

IOObjectTable& IOObjectTable::shared()
{
    static IOObjectTable table;
    return table;
}

io_object_t IOObjectTable::insert(Object object)
{
    auto shared = std::make_shared<const Object>(std::move(object));
    std::lock_guard lock(mutex_);
    const io_object_t handle = next_++;
    objects_.emplace(handle, std::move(shared));
    return handle;
}

std::shared_ptr<const IOObjectTable::Object> IOObjectTable::find(io_object_t handle) const
{
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(handle);
    return found == objects_.end() ? nullptr : found->second;
}

std::shared_ptr<const IOObjectTable::Object> IOObjectTable::remove(io_object_t handle)
{
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(handle);
    if (found == objects_.end()) {
        return nullptr;
    }
    std::shared_ptr<const Object> object = std::move(found->second);
    objects_.erase(found);
    return object;
}

}  // namespace platform
