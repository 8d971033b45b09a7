#pragma once

#include <QString>

#include <exception>

namespace velkora {

// The text the user is shown for an error: the application's own
// description of a client or installation error, the platform's localized
// description of an NSError, what() of anything else.
QString localizedDescription(const std::exception& error);

}  // namespace velkora
