#pragma once

#include <string>

#include "Basalt/log/Logger.h"

namespace Threadwork {

// The log of both libraries: subsystem = the bundle identifier, category "Threadwork".
Basalt::Logger makeThreadworkLogger(const std::string& bundleId);

}  // namespace Threadwork
