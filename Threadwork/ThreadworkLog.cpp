#include "Threadwork/ThreadworkLog.h"

#include "TavrinConfig.h"

namespace Threadwork {

const Basalt::Logger& threadworkLog() {
    static const Basalt::Logger logger(TavrinConfig::bundleId, "Threadwork");
    return logger;
}

}  // namespace Threadwork
