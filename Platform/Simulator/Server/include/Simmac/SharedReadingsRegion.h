#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Simulator/SharedReadingsLayout.h"

namespace simmac {

// The memory simmac shares its readings in (SharedReadingsLayout.h): an
// anonymous memory file that simmac alone writes, through the mapping it made
// before sealing the file; connections hand its descriptor to clients, who
// can map it to read but never write it. Used on simmac's event loop only.
class SharedReadingsRegion {
public:
    // Nothing when the system gives no such memory; simmac then answers every
    // read on the socket. `failure` says why.
    static std::unique_ptr<SharedReadingsRegion> create(std::string& failure);
    ~SharedReadingsRegion();
    SharedReadingsRegion(const SharedReadingsRegion&) = delete;
    SharedReadingsRegion& operator=(const SharedReadingsRegion&) = delete;

    // Replaces the content; records past the capacity are left out (their
    // reads go to the socket).
    void publish(const simulator::SharedReadingsContent& content);
    // Says simmac still answers.
    void renewHeartbeat();
    // Says at once that simmac stopped answering (it is shutting down).
    void endHeartbeat();

    int readOnlyDescriptor() const { return descriptor_; }

private:
    SharedReadingsRegion(int descriptor, void* memory);

    simulator::SharedReadingsHeader& header() const;

    int descriptor_;
    void* memory_;
};

}  // namespace simmac
