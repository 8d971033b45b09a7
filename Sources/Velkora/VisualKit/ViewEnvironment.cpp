#include "VisualKit/ViewEnvironment.h"

#include "VisualKit/ReduceMotionSource.h"

namespace velkora {

bool ViewEnvironment::reducesMotion() const
{
    return reduceMotion != nullptr && reduceMotion->reduceMotion();
}

}  // namespace velkora
