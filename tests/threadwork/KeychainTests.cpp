#include <QUuid>

#include "ClientFixture.h"

using namespace Threadwork;
using namespace ClientTesting;

namespace {

// Against the Secret Service of the session the test runner starts.
class SecretService : public ::testing::Test {
protected:
    QString service = "app.tavrin.Test." + QUuid::createUuid().toString(QUuid::WithoutBraces);
    std::shared_ptr<SecretServiceKeychain> keychain = std::make_shared<SecretServiceKeychain>();
    TestSupport::FakeService fake;
    Basalt::LogCapture capture;

    std::shared_ptr<RedditApi> client() {
        return RedditApi::create("ua", keychain,
                                 {fake.baseUrl(), fake.baseUrl(), "id", service.toStdString()});
    }
};

TEST_F(SecretService, StoresAndReadsItems) {
    EXPECT_FALSE(keychain->read(service, "credential"));
    ASSERT_TRUE(keychain->write(service, "credential", "first"));
    ASSERT_TRUE(keychain->write(service, "credential", "second"));
    EXPECT_EQ(keychain->read(service, "credential"), "second");
}

TEST_F(SecretService, ACredentialOutlivesItsClient) {
    auto credential = credentialExpiringIn(1h);
    client()->setCredential(credential);
    auto later = client();
    ASSERT_TRUE(later->isSignedIn());
    EXPECT_EQ(later->credential()->accessToken, credential.accessToken);
    EXPECT_EQ(later->credential()->refreshToken, credential.refreshToken);
}

TEST_F(SecretService, AnUndecodableItemSignsOut) {
    ASSERT_TRUE(keychain->write(service, "credential", "{\"accessToken\": 5}"));
    EXPECT_FALSE(client()->isSignedIn());
    bool logged = false;
    for (const auto& line : capture.lines()) {
        if (line.message.rfind("failed to decode credential from keychain: ", 0) == 0) {
            logged = true;
            EXPECT_TRUE(line.message.ends_with("<private>"));
        }
    }
    EXPECT_TRUE(logged);
}

}  // namespace
