#pragma once

#include "Basalt/log/Logger.h"

namespace Threadwork {

// The log of both libraries: subsystem = the compiled bundle identifier, category "Threadwork".
// Readers of the data model are plain functions of a decoder, so they reach it here.
const Basalt::Logger& threadworkLog();

}  // namespace Threadwork
