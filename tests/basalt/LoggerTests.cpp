#include <gtest/gtest.h>

#include "Basalt/log/LogCapture.h"
#include "Basalt/log/Logger.h"

using namespace Basalt;

namespace {

TEST(Logger, FillsPublicAndRedactsPrivateArguments) {
    EXPECT_EQ(Logger::render("a %{public}@ b %{private}@ c %@ d", {"1", "secret", "other"}),
              "a 1 b <private> c <private> d");
    // Missing arguments print as nothing; surplus ones are ignored.
    EXPECT_EQ(Logger::render("x %{public}@ y %{public}@", {"1"}), "x 1 y ");
    EXPECT_EQ(Logger::render("no placeholders %d", {"1"}), "no placeholders %d");
}

TEST(Logger, WritesUnderItsCategoryAtEachLevel) {
    LogCapture capture;
    Logger app("app.tavrin.Test", "App");
    Logger other("app.tavrin.Test", "Threadwork");
    app.debug("debug %{public}@", 1);
    app.info("info %{public}@", std::string("two"));
    other.error(
        "Failed to decode one of the elements in the response: %{public}@\nRaw data: %{public}@",
        "err", "raw");
    app.error("token %{private}@", "abc123");

    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].category, "app.tavrin.Test.App");
    EXPECT_EQ(lines[0].level, QtDebugMsg);
    EXPECT_EQ(lines[0].message, "debug 1");
    EXPECT_EQ(lines[1].level, QtInfoMsg);
    EXPECT_EQ(lines[1].message, "info two");
    EXPECT_EQ(capture.messages("app.tavrin.Test.Threadwork"),
              std::vector<std::string>{
                  "Failed to decode one of the elements in the response: err\nRaw data: raw"});
    EXPECT_EQ(lines[3].level, QtCriticalMsg);
    EXPECT_EQ(lines[3].message, "token <private>");
}

}  // namespace
