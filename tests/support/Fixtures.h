#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace TestSupport {

// A recorded response of the real service, read from the shared fixtures folder.
inline std::string fixture(const std::string& name) {
    std::ifstream in(std::string(TAVRIN_FIXTURES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace TestSupport
