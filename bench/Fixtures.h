#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace Bench {

// A recorded response's bytes, read from the shared fixtures folder.
inline std::string readFixture(const std::string& name) {
    std::ifstream in(std::string(TAVRIN_FIXTURES_DIR) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("missing fixture " + name);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline const char* const payloadFiles[] = {"listing-best-01.json", "comments-12.json",
                                           "comments-18.json"};

}  // namespace Bench
