#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"

namespace {

const QByteArray Token = "sk-ant-oat01-report-token";

// pacemark --report --quota, run as a user would, against the local server.
class ReportQuotaTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_config.mkdir("projects");
        qputenv("CLAUDE_CONFIG_DIR", QByteArray::fromStdString(m_config.path()));
        qputenv("HOME", QByteArray::fromStdString(m_config.path()));
        qputenv("PACEMARK_API_BASE", m_server.url().toEncoded());
    }

    void login()
    {
        m_config.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": ")" + Token.toStdString() + R"("}})");
    }

    QByteArray report(QStringList extra)
    {
        QProcess process;
        process.start(QStringLiteral(PACEMARK_EXECUTABLE),
                      QStringList { QStringLiteral("--report"), QStringLiteral("--quota"), QStringLiteral("--now"),
                                    QStringLiteral("2026-01-02T15:00:00Z") }
                          + extra);
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, std::chrono::seconds(20)));
        const QByteArray out = process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        EXPECT_TRUE(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) << err.toStdString();
        EXPECT_FALSE(out.contains(Token) || err.contains(Token));
        return out;
    }

    QJsonObject quotaJson()
    {
        const QJsonDocument document = QJsonDocument::fromJson(report({ QStringLiteral("--json") }));
        return document.object().value(QStringLiteral("quota")).toObject();
    }

    TempDir m_config;
    LocalHttpServer m_server;
};

TEST_F(ReportQuotaTest, PrintsEveryWindowAndTheExtraUsage)
{
    login();
    m_server.respond(200, R"({"five_hour": {"utilization": 37.0, "resets_at": "2026-01-02T19:59:59.600956+00:00"},
        "seven_day": {"utilization": 12.5, "resets_at": "2026-01-08T04:59:59.600972+00:00"}, "seven_day_opus": null,
        "seven_day_sonnet": {"utilization": 0, "resets_at": null}, "iguana_necktie": null,
        "extra_usage": {"is_enabled": true, "monthly_limit": 5000, "used_credits": 1287.0, "utilization": 25.74}})");
    const QJsonObject expected = QJsonDocument::fromJson(R"({"status": "loaded", "error": null,
        "fiveHour": {"utilizationPct": 37, "resetsAt": "2026-01-02T19:59:59.600Z"}, "sevenDayOpus": null,
        "sevenDay": {"utilizationPct": 12.5, "resetsAt": "2026-01-08T04:59:59.600Z"},
        "sevenDaySonnet": {"utilizationPct": 0, "resetsAt": null}, "fetchedAt": "2026-01-02T15:00:00.000Z",
        "extraUsage": {"isEnabled": true, "monthlyLimitCents": 5000, "usedCreditsCents": 1287,
                       "utilization": 25.74, "currency": "USD"}})")
                                     .object();
    EXPECT_EQ(quotaJson(), expected);

    const QString text = QString::fromUtf8(report({}));
    for (const QString& line : { QStringLiteral("Quota      loaded, fetched 2026-01-02 15:00:00\n"),
                                 QStringLiteral("  5 hours         37.0%  resets 2026-01-02 19:59:59  4h 59m\n"),
                                 QStringLiteral("  7 days          12.5%  resets 2026-01-08 04:59:59  5d 13h\n"),
                                 QStringLiteral("  7 days Sonnet    0.0%  no reset time\n"),
                                 QStringLiteral("  Extra usage     25.7%  $12.87 of $50.00 USD\n") })
        EXPECT_TRUE(text.contains(line)) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Opus")));
    EXPECT_EQ(m_server.requests().size(), 2);
}

TEST_F(ReportQuotaTest, AFailureIsAStatusNotAnExitCode)
{
    // Without a snapshot every window is null.
    const auto withoutWindows = [](const char* statusAndError) {
        return QJsonDocument::fromJson(QByteArray("{") + statusAndError + R"(, "fiveHour": null, "sevenDay": null,
            "sevenDayOpus": null, "sevenDaySonnet": null, "extraUsage": null, "fetchedAt": null})")
            .object();
    };
    EXPECT_EQ(quotaJson(), withoutWindows(R"("status": "notConfigured", "error": null)"));
    EXPECT_TRUE(report({}).contains("Quota      notConfigured\n  no Claude Code credential found\n"));
    EXPECT_TRUE(m_server.requests().isEmpty());

    login();
    m_server.respond(500, "{}");
    EXPECT_EQ(quotaJson(), withoutWindows(R"("status": "error", "error": {"case": "network", "message": "HTTP 500"})"));

    m_server.respond(401, "{}");
    EXPECT_TRUE(report({}).contains("Quota      error (unauthorized)\n"));
}

}
