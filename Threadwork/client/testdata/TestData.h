#pragma once

#include <vector>

#include "Threadwork/model/Link.h"

namespace Threadwork {

// The image host of the fixtures: a reserved test host. Its addresses carry "w" and "h" query
// items so that a placeholder of the right size can be drawn for them.
inline constexpr const char* testImageHost = "images.tavrin.test";

// The posts the test-data mode answers with: built once, on first use.
const std::vector<Link>& testDataLinks();

}  // namespace Threadwork
