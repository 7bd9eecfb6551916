#include "ClientFixture.h"

using namespace Threadwork;
using namespace ClientTesting;

namespace {

// Before anything connects: a session bus address that leads nowhere, so no Secret Service.
const bool noSessionBus = [] {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tavrin-bus");
    return true;
}();

TEST(NoSecretService, CountsAsNoItemAndNeverBlocks) {
    auto keychain = std::make_shared<SecretServiceKeychain>();
    EXPECT_FALSE(keychain->read("app.tavrin.Test", "credential"));
    EXPECT_FALSE(keychain->write("app.tavrin.Test", "credential", "data"));

    TestSupport::FakeService fake;
    auto api = RedditApi::create("ua", keychain,
                                 {fake.baseUrl(), fake.baseUrl(), "id", "app.tavrin.Test"});
    EXPECT_FALSE(api->isSignedIn());
    // A credential given now still works for this session, though it cannot be stored.
    api->setCredential(credentialExpiringIn(1h));
    EXPECT_TRUE(api->isSignedIn());
}

}  // namespace
