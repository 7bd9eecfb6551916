#include "Threadwork/ThreadworkLog.h"

namespace Threadwork {

Basalt::Logger makeThreadworkLogger(const std::string& bundleId) {
    return Basalt::Logger(bundleId, "Threadwork");
}

}  // namespace Threadwork
