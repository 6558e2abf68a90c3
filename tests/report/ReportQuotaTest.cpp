#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "UsageAnswers.h"

using namespace pacemark;

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
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_config.path("data")));
    }

    void login()
    {
        m_config.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": ")" + Token.toStdString() + R"("}})");
    }

    QByteArray report(QStringList extra, const char* now = "2026-01-02T15:00:00Z")
    {
        QProcess process;
        process.start(QStringLiteral(PACEMARK_EXECUTABLE),
                      QStringList { QStringLiteral("--report"), QStringLiteral("--quota"), QStringLiteral("--now") }
                          << QString::fromLatin1(now) << extra);
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, std::chrono::seconds(20)));
        const QByteArray out = process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        EXPECT_TRUE(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) << err.toStdString();
        EXPECT_FALSE(out.contains(Token) || err.contains(Token));
        return out;
    }

    QJsonObject quotaJson(const char* now = "2026-01-02T15:00:00Z")
    {
        const QJsonDocument document = QJsonDocument::fromJson(report({ QStringLiteral("--json") }, now));
        return document.object().value(QStringLiteral("quota")).toObject();
    }

    TempDir m_config;
    LocalHttpServer m_server;
};

// Every limit in the card's order, the binding one and its forecast from the application's samples,
// which a one-off run reads but does not add to; credits that ran out say so.
TEST_F(ReportQuotaTest, PrintsEveryLimitTheForecastAndTheCredits)
{
    login();
    const char* const now = "2026-08-14T20:00:00Z";
    // 70, 72 and 73 % forty, twenty-five and ten minutes before.
    const std::string file = m_config.write("data/Pacemark/pacemark/quota-samples.json", R"({"weekly:fable": {
        "end": 1787119199777, "samples": [[1786735200000, 70], [1786736100000, 72], [1786737000000, 73]]}})");
    const QByteArray before = TempDir::contents(QString::fromStdString(file));
    m_server.respond(200, UsageAnswers::read(UsageAnswers::BindingScopedCap));

    QJsonObject quota = quotaJson(now);
    QJsonArray limits = quota.value(u"limits").toArray();
    QJsonObject fable = limits.at(2).toObject();
    EXPECT_TRUE(fable.value(u"forecastAt").toString().startsWith(u"2026-08-15T00:28:3"))
        << fable.value(u"forecastAt").toString().toStdString();
    fable.insert(u"forecastAt", QJsonValue::Null);
    limits.replace(2, fable);
    quota.insert(u"limits", limits);
    const QJsonObject expected = QJsonDocument::fromJson(R"({"status": "loaded", "error": null,
        "fiveHour": {"utilizationPct": 8, "resetsAt": "2026-08-14T22:29:59.777Z"}, "sevenDayOpus": null,
        "sevenDay": {"utilizationPct": 56, "resetsAt": "2026-08-19T05:59:59.777Z"}, "sevenDaySonnet": null,
        "limits": [
          {"kind": "session", "label": "5시간", "utilizationPct": 8, "resetsAt": "2026-08-14T22:29:59.777Z",
           "severity": "normal", "binding": false, "forecastAt": null},
          {"kind": "weekly", "label": "주간", "utilizationPct": 56, "resetsAt": "2026-08-19T05:59:59.777Z",
           "severity": "normal", "binding": false, "forecastAt": null},
          {"kind": "weeklyScoped", "label": "Fable", "utilizationPct": 74, "resetsAt": "2026-08-19T05:59:59.777Z",
           "severity": "normal", "binding": true, "forecastAt": null}],
        "fetchedAt": "2026-08-14T20:00:00.000Z",
        "extraUsage": {"isEnabled": false, "monthlyLimitCents": 25000, "usedCreditsCents": 8, "utilization": 0.032,
                       "currency": "USD", "decimalPlaces": 2, "disabledReason": "out_of_credits"}})")
                                     .object();
    EXPECT_EQ(quota, expected);

    const QString text = QString::fromUtf8(report({}, now));
    for (const QString& line :
         { QStringLiteral("  5 hours          8.0%  resets 2026-08-14 22:29:59  2h 29m\n"),
           QStringLiteral("  7 days          56.0%  resets 2026-08-19 05:59:59  4d 9h\n"),
           QStringLiteral("  7 days Fable    74.0%  resets 2026-08-19 05:59:59  4d 9h  binding  100% at this pace "
                          "2026-08-15 00:28:3"),
           QStringLiteral("  Extra usage      0.0%  $0.08 of $250.00 USD, disabled (out_of_credits)\n") })
        EXPECT_TRUE(text.contains(line)) << text.toStdString();
    EXPECT_EQ(TempDir::contents(QString::fromStdString(file)), before);

    m_server.respond(200,
                     R"({"five_hour": {"utilization": 37.0, "resets_at": null}, "seven_day_sonnet": {"utilization": 0},
        "extra_usage": {"is_enabled": true, "monthly_limit": null, "used_credits": 40843.0, "utilization": 0}})");
    // A model window never used stays among the older members but is no limit; no monthly limit is null.
    quota = quotaJson();
    EXPECT_EQ(quota.value(u"sevenDaySonnet").toObject().value(u"utilizationPct"), 0);
    EXPECT_EQ(quota.value(u"limits").toArray().size(), 1);
    EXPECT_EQ(quota.value(u"extraUsage").toObject().value(u"monthlyLimitCents"), QJsonValue(QJsonValue::Null));
    EXPECT_TRUE(QString::fromUtf8(report({}))
                    .contains(u"  5 hours         37.0%  no reset time  binding\n"
                              "  Extra usage      0.0%  $408.43 USD, no monthly limit\n"));
    EXPECT_EQ(m_server.requests().size(), 4);

    // Figures no window can have are shown within 0 and 100, and kept as they came.
    m_server.respond(200, R"({"five_hour": {"utilization": 1e308, "resets_at": null},
                             "seven_day": {"utilization": -5, "resets_at": null}})");
    EXPECT_TRUE(QString::fromUtf8(report({}))
                    .contains(u"  5 hours        100.0%  no reset time  binding\n"
                              "  7 days           0.0%  no reset time\n"))
        << report({}).toStdString();
    EXPECT_EQ(quotaJson().value(u"fiveHour").toObject().value(u"utilizationPct"), 1e308);
}

TEST_F(ReportQuotaTest, AFailureIsAStatusNotAnExitCode)
{
    // Without a snapshot every window is null.
    const auto withoutWindows = [](const char* statusAndError) {
        return QJsonDocument::fromJson(QByteArray("{") + statusAndError + R"(, "fiveHour": null, "sevenDay": null,
            "sevenDayOpus": null, "sevenDaySonnet": null, "limits": [], "extraUsage": null, "fetchedAt": null})")
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
