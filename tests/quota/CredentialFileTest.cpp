#include <filesystem>

#include <gtest/gtest.h>

#include <QByteArray>

#include "TempDir.h"
#include "quota/ClaudeWebProvider.h"

using namespace pacemark;

namespace {

// The first usable string of the known places; a token that could break the request header is none.
TEST(TokenLocation, TakesTheFirstUsableString)
{
    const std::pair<const char*, std::optional<QString>> cases[] = {
        { R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-a", "refreshToken": "r", "expiresAt": 1767366000000,
              "scopes": ["user:inference"]}})",
          QStringLiteral("sk-ant-oat01-a") },
        { R"({"claudeAiOauth": {"accessToken": ""}, "access_token": "b", "token": "c"})", QStringLiteral("b") },
        { R"({"claudeAiOauth": {"accessToken": 12}, "access_token": "", "token": "c"})", QStringLiteral("c") },
        { R"({"access_token": "b\r\nX-Injected: 1", "token": "c"})", QStringLiteral("c") },
        { R"({"claudeAiOauth": {"accessToken": "a b"}, "token": "sk-ant-oat01-A_b.c~d+e/f="})",
          QStringLiteral("sk-ant-oat01-A_b.c~d+e/f=") },
        { R"({"token": "t\u00e9st"})", std::nullopt },
        { R"({"claudeAiOauth": {}, "access_token": null, "token": ""})", std::nullopt },
        { R"(["sk-ant-oat01-a"])", std::nullopt },
        { "sk-ant-oat01-a", std::nullopt },
        { R"({"claudeAiOauth": {"accessToken": "a")", std::nullopt },
        { "\xff\xfe{\"token\": \"x\"}", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& [credential, expected] : cases)
        EXPECT_EQ(ClaudeOAuthProvider::tokenFromCredential(QByteArray(credential)), expected) << credential;
}

// No session bus here, so the Secret Service is out of reach and the file decides.
TEST(CredentialFileTest, ReadsClaudeCodesFileInItsConfigFolders)
{
    const TempDir home;
    qputenv("HOME", QByteArray::fromStdString(home.path()));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("CLAUDE_CONFIG_DIR");
    const ClaudeOAuthProvider provider;
    EXPECT_EQ(provider.readAccessTokenSilently(), std::nullopt);
    // Newer releases keep their folder in ~/.config/claude; ~/.claude comes first when both have one.
    home.write(".config/claude/.credentials.json", R"({"claudeAiOauth": {"accessToken": "xdg-token"}})");
    EXPECT_EQ(provider.readAccessTokenSilently(), QStringLiteral("xdg-token"));
    home.mkdir(".claude/.credentials.json");
    EXPECT_EQ(provider.readAccessTokenSilently(), QStringLiteral("xdg-token"));
    std::filesystem::remove(home.path(".claude/.credentials.json"));
    home.write(".claude/.credentials.json", R"({"claudeAiOauth": {"accessToken": "home-token"}})");
    EXPECT_EQ(provider.readAccessTokenSilently(), QStringLiteral("home-token"));
    EXPECT_EQ(provider.readAccessToken(true), QStringLiteral("home-token"));

    // CLAUDE_CONFIG_DIR's folders alone, read afresh at each call, even when they hold no credential.
    TempDir config;
    qputenv("CLAUDE_CONFIG_DIR", QByteArray::fromStdString(config.path("missing") + "," + config.path()));
    EXPECT_EQ(provider.readAccessTokenSilently(), std::nullopt);
    config.write(".credentials.json", R"({"access_token": "config-token"})");
    EXPECT_EQ(provider.readAccessTokenSilently(), QStringLiteral("config-token"));

    // A file over one mebibyte holds no token; logging out of Claude Code removes the file, and the token with it.
    config.write(".credentials.json", R"({"token": ")" + std::string(1 << 20, 'a') + R"("})");
    EXPECT_EQ(provider.readAccessTokenSilently(), std::nullopt);
    std::remove(config.path(".credentials.json").c_str());
    EXPECT_EQ(provider.readAccessTokenSilently(), std::nullopt);
    config.mkdir(".credentials.json");
    EXPECT_EQ(provider.readAccessTokenSilently(), std::nullopt);
}

}
