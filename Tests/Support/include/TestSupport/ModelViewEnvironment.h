#pragma once

#include "Model/AppModel.h"
#include "VisualKit/ViewEnvironment.h"

namespace velkora::test {

// What a view on `model` is built with in a test: the model, its settings and
// telemetry, and the reduce-motion source the test sets. A suite adds the
// router or the update centre where its views read them.
inline ViewEnvironment modelViewEnvironment(AppModel& model, ReduceMotionSource& reduceMotion)
{
    ViewEnvironment environment;
    environment.model = &model;
    environment.settings = &model.settings();
    environment.telemetry = &model.telemetry();
    environment.reduceMotion = &reduceMotion;
    return environment;
}

}  // namespace velkora::test
