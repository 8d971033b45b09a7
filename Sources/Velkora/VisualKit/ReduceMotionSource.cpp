#include "VisualKit/ReduceMotionSource.h"

#include "AppKit/NSWorkspace.h"

namespace velkora {

ReduceMotionSource::ReduceMotionSource(bool reduceMotion, QObject* parent)
    : QObject(parent), reduceMotion_(reduceMotion)
{
}

ReduceMotionSource::~ReduceMotionSource() = default;

std::unique_ptr<ReduceMotionSource> ReduceMotionSource::followingWorkspace(QObject* parent)
{
    platform::NSWorkspace& workspace = platform::NSWorkspace::shared();
    auto source = std::make_unique<ReduceMotionSource>(false, parent);
    ReduceMotionSource* raw = source.get();
    // Observing first lets the value below come from the subscription
    // instead of a request of its own.
    source->observation_ = workspace.observeAccessibilityDisplayOptions(
        [raw] { raw->setReduceMotion(platform::NSWorkspace::shared().accessibilityDisplayShouldReduceMotion()); });
    source->reduceMotion_ = workspace.accessibilityDisplayShouldReduceMotion();
    return source;
}

void ReduceMotionSource::setReduceMotion(bool reduceMotion)
{
    if (reduceMotion == reduceMotion_) {
        return;
    }
    reduceMotion_ = reduceMotion;
    emit reduceMotionChanged(reduceMotion);
}

}  // namespace velkora
