#include <gtest/gtest.h>

#include <libsecret/secret.h>

#include "TempDir.h"
#include "quota/ClaudeWebProvider.h"
#include "quota/FileCredentialStore.h"
#include "quota/SecretServiceCredentialStore.h"

using namespace pacemark;

namespace {

const QString Service = QStringLiteral("Claude Code-credentials");

// Runs only inside with-keyring.sh, which gives it a private, unlocked, empty GNOME Keyring.
class SecretServiceCredentialStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const QByteArray reason = qgetenv("PACEMARK_KEYRING_UNAVAILABLE"); !reason.isEmpty())
            GTEST_SKIP() << "Secret Service not tested: " << reason.toStdString();
        if (qgetenv("PACEMARK_PRIVATE_KEYRING").isEmpty())
            GTEST_SKIP() << "Secret Service not tested: run through tests/quota/with-keyring.sh, which "
                            "starts a private keyring, so that the user's own is left alone";
    }

    // Stored the way other applications do it, under their own schema with service and account.
    static void store(const QString& service, const QByteArray& secret)
    {
        SecretSchema* schema
            = secret_schema_new("org.example.Password", SECRET_SCHEMA_NONE, "service", SECRET_SCHEMA_ATTRIBUTE_STRING,
                                "account", SECRET_SCHEMA_ATTRIBUTE_STRING, nullptr);
        GError* error = nullptr;
        const QByteArray serviceName = service.toUtf8();
        secret_password_store_sync(schema, SECRET_COLLECTION_DEFAULT, "test item", secret.constData(), nullptr, &error,
                                   "service", serviceName.constData(), "account", "someone", nullptr);
        secret_schema_unref(schema);
        ASSERT_EQ(error, nullptr) << error->message;
    }

    static void lockDefaultCollection()
    {
        GError* error = nullptr;
        SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
        ASSERT_NE(service, nullptr) << error->message;
        SecretCollection* collection = secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT,
                                                                        SECRET_COLLECTION_NONE, nullptr, &error);
        ASSERT_NE(collection, nullptr) << error->message;
        GList* objects = g_list_append(nullptr, collection);
        const gint locked = secret_service_lock_sync(service, objects, nullptr, nullptr, &error);
        g_list_free(objects);
        g_object_unref(collection);
        g_object_unref(service);
        ASSERT_EQ(error, nullptr) << error->message;
        ASSERT_EQ(locked, 1);
    }

    SecretServiceCredentialStore m_store { Service };
    TempDir m_home;
};

TEST_F(SecretServiceCredentialStoreTest, ReadsTheItemByItsServiceAttributeBeforeTheFileUnlessLocked)
{
    // The stores in the order of the application.
    const ClaudeOAuthProvider provider(
        { std::make_shared<SecretServiceCredentialStore>(Service),
          std::make_shared<FileCredentialStore>(QString::fromStdString(m_home.path(".credentials.json"))) },
        QUrl());
    m_home.write(".credentials.json", R"({"access_token": "from-file"})");
    store(QStringLiteral("Another App-credentials"), R"({"access_token": "not-ours"})");
    EXPECT_TRUE(!m_store.read(false) && provider.readAccessTokenSilently() == QStringLiteral("from-file"));

    store(Service, R"({"claudeAiOauth": {"accessToken": "from-keyring"}})");
    EXPECT_EQ(m_store.read(true), QByteArray(R"({"claudeAiOauth": {"accessToken": "from-keyring"}})"));
    EXPECT_EQ(provider.readAccessTokenSilently(), QStringLiteral("from-keyring"));

    // An item without a usable token does not hide the file.
    store(Service, R"(["not", "a", "credential"])");
    EXPECT_EQ(provider.readAccessTokenSilently(), QStringLiteral("from-file"));

    // Nor does a locked collection, which without interaction yields no token.
    store(Service, R"({"claudeAiOauth": {"accessToken": "from-keyring"}})");
    lockDefaultCollection();
    EXPECT_TRUE(!m_store.read(false) && provider.readAccessTokenSilently() == QStringLiteral("from-file"));
}

}
