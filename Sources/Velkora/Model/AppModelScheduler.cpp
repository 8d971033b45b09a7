// The scheduler loop's pass over the user's scheduled tasks.

#include "Model/AppModel.h"

namespace velkora {

// Runs every 30 seconds, after the previous pass ended. The scheduled tasks
// are carried out here.
QCoro::Task<> AppModel::executeDueTasks()
{
    co_return;
}

}  // namespace velkora
