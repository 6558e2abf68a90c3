#include <sys/stat.h>
#include <unistd.h>

#include <limits>
#include <tuple>

#include <gtest/gtest.h>

#include "Records.h"
#include "TempDir.h"
#include "usage/ModelColor.h"
#include "usage/PriceTable.h"
#include "usage/TokenFormat.h"
#include "usage/UsageSummary.h"

using namespace pacemark;

namespace {

constexpr auto Max = std::numeric_limits<std::int64_t>::max();
constexpr auto Min = std::numeric_limits<std::int64_t>::min();

UsageSummary summarise(const std::vector<UsageRecord>& records)
{
    return UsageSummary::make(records, QTimeZone::utc(), [](const QString& model, const QString& provider) {
        return provider + QLatin1Char(':') + model;
    });
}

TEST(UsageSummary, GroupsByProviderModelDaySessionAndSaturates)
{
    const auto s = summarise({
        makeRecord({ .at = "2025-06-02T00:00:01Z", .output = 1, .session = "" }),
        makeRecord({ .at = "2025-06-01T23:59:59Z",
                     .output = 50,
                     .cacheWrite = 100,
                     .cacheRead = 1000,
                     .model = "claude-sonnet-4-5",
                     .session = "a" }),
        makeRecord({ .at = "2025-06-02T08:00:00Z", .output = 20, .session = "b", .provider = "other" }),
        makeRecord({ .at = "2025-06-01T08:00:00Z", .input = 1, .model = "my_model_x", .session = "a" }),
    });
    QStringList ids;
    for (const auto& b : s.modelBreakdowns)
        ids << b.id();
    EXPECT_EQ(ids.join(u' '),
              QStringLiteral("claude-code_claude-sonnet-4-5 other_claude-opus-4-1 "
                             "claude-code_claude-opus-4-1 claude-code_my_model_x"));
    EXPECT_TRUE(s.modelBreakdowns[0].displayName == QStringLiteral("claude-code:claude-sonnet-4-5")
                && s.modelBreakdowns[0].totalTokens() == 1150);
    // my_model_x has no price: its token is counted apart; the rest is priced.
    EXPECT_EQ(
        s.dailyData,
        (QList<DailyData> { { QStringLiteral("2025-06-01"), 1151, 50, 50 * 15e-6 + 100 * 3.75e-6 + 1000 * 3e-7, 1 },
                            { QStringLiteral("2025-06-02"), 21, 21, 21 * 75e-6 } }));
    EXPECT_TRUE(!s.modelBreakdowns[3].costKnown() && s.totalCost.unpricedTokens == 1);
    ASSERT_EQ(s.providerSummaries.size(), 2);
    EXPECT_TRUE(s.providerSummaries[0].providerId == QStringLiteral("claude-code")
                && s.providerSummaries[0].tokens == 1152);
    EXPECT_EQ(std::tuple(s.totalTokens, s.totalOutputTokens, s.sessionCount), std::tuple(1172, 71, 2));
    EXPECT_EQ(s.lastActivityDate, instant("2025-06-02T08:00:00Z"));

    EXPECT_FALSE(summarise({}).lastActivityDate);

    // Sums saturate instead of wrapping.
    const auto high = summarise({ makeRecord({ .at = "2025-06-01T09:00:00Z", .input = Max, .output = Max }),
                                  makeRecord({ .at = "2025-06-01T09:00:00Z", .cacheRead = Max, .model = "b" }) });
    EXPECT_EQ(std::tuple(high.totalTokens, high.totalOutputTokens, high.dailyData[0].totalTokens,
                         high.providerSummaries[0].tokens, high.modelBreakdowns[0].totalTokens()),
              std::tuple(Max, Max, Max, Max, Max));
    const auto low = summarise({ makeRecord({ .at = "2025-06-01T09:00:00Z", .input = Min, .output = -1 }) });
    EXPECT_EQ(low.totalTokens, Min);
    EXPECT_EQ(makeRecord({ .at = "2025-06-01T09:00:00Z", .input = Max, .output = Min }).totalTokens(), -1);
}

TEST(TokenFormat, CountsCostsAndProjectPaths)
{
    const std::initializer_list<std::int64_t> counts
        = { 0,           999,           1000,          1250,           1350, 999'999, 1'000'000, 2'500'001,
            999'999'999, 1'000'000'000, 1'234'567'890, 12'345'678'901, Max,  -5000,   Min };
    QStringList shown;
    for (const std::int64_t count : counts)
        shown << formatTokens(count);
    EXPECT_EQ(shown.join(u' '),
              QStringLiteral("0 999 1.0K 1.2K 1.4K 1000.0K 1.0M 2.5M 1000.0M 1.0B 1.2B 12.3B "
                             "9223372036.9B -5000 -9223372036854775808"));

    EXPECT_EQ(formatUsd(0), QStringLiteral("$0.00"));
    EXPECT_EQ(formatUsd(12.345), QStringLiteral("$12.35"));
    EXPECT_EQ(formatUsd(1234.5), QStringLiteral("$1,235"));
    EXPECT_EQ(formatUsd(3, false), QStringLiteral("\u2014"));
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        { "/home/u/app", "/home/u", 32, "~/app" },
        { "/home/u", "/home/u", 32, "~" },
        { "/home/user2/app", "/home/u", 32, "/home/user2/app" }, // another home that shares the prefix
        { "-home-u-app", "/home/u", 32, "-home-u-app" }, // a log folder's name stays as it is
        { "/home/u/work/clients/acme/backend-service", "/home/u", 20, "~/work/c\u2026end-service" },
        { "/srv/a", "/", 32, "/srv/a" },
    };
    for (const auto& [path, home, width, expected] : cases)
        EXPECT_EQ(shortProjectPath(QString::fromUtf8(path), QString::fromUtf8(home), width),
                  QString::fromUtf8(expected))
            << path;
}

TEST(ModelColor, FamiliesInOrder)
{
    const std::pair<NamedColor, std::vector<const char*>> families[] = {
        { NamedColor::Purple, { "claude-opus-4-1-20250805", "CLAUDE-OPUS-4", "opus-sonnet" } },
        { NamedColor::Blue, { "claude-sonnet-4-5" } },
        { NamedColor::Green, { "claude-3-5-haiku" } },
        { NamedColor::Indigo, { "gpt-4o-mini", "o3", "o4-mini", "codex-mini-latest", "codex" } },
        { NamedColor::Teal, { "gpt-3.5" } },
        { NamedColor::Pink, { "gpt-5.1-codex-max", "GPT-5" } },
        { NamedColor::Orange, { "Gemini-2.5-pro", "gemini-3-pro-preview" } },
        { NamedColor::Yellow, { "gemini-2.5-flash-lite" } },
        { NamedColor::Gray, { "", "<synthetic>", "oxygen" } },
    };
    for (const auto& [color, models] : families)
        for (const char* model : models)
            EXPECT_EQ(modelColor(QString::fromUtf8(model)), color) << model;
}

}

TEST(PriceTable, CostsPerKindTierLookupAndOverrideFiles)
{
    const PriceTable table = PriceTable::builtIn();
    // model; input, output, five-minute and one-hour cache writes, cache reads; dollars
    const std::tuple<const char*, qint64, qint64, qint64, qint64, qint64, double> cases[] = {
        { "claude-sonnet-4-5", 100'000, 0, 0, 0, 0, 0.3 },
        { "claude-sonnet-4-5", 0, 100'000, 0, 0, 0, 1.5 },
        { "claude-sonnet-4-5", 0, 0, 100'000, 0, 0, 0.375 },
        { "claude-sonnet-4-5", 0, 0, 0, 0, 100'000, 0.03 },
        // No one-hour price listed: one-hour writes cost twice the input price.
        { "claude-sonnet-4-5", 0, 0, 100'000, 100'000, 0, 0.6 },
        { "claude-haiku-4-5", 0, 0, 1'000'000, 400'000, 0, 0.6 * 1.25 + 0.4 * 2.0 },
        // Past 200k tokens of a kind in one request, the rest of that kind costs the tier's price.
        { "claude-sonnet-4-5", 300'000, 300'000, 0, 0, 0, 0.2 * 3 + 0.1 * 6 + 0.2 * 15 + 0.1 * 22.5 },
        { "claude-sonnet-4-5", 200'000, 0, 0, 0, 0, 0.6 },
        { "claude-opus-4-1", 300'000, 0, 0, 0, 0, 4.5 }, // no tier listed
        { "claude-sonnet-4-5-20250929", 100'000, 0, 0, 0, 0, 0.3 },
        { "anthropic/claude-opus-4-1-20250805", 0, 1'000'000, 0, 0, 0, 75.0 },
        { "claude-opus-4-1-20991231", 0, 1'000'000, 0, 0, 0, 75.0 }, // a new date of a listed model
        // Listed only in Bedrock's form, asked for in every form.
        { "claude-3-5-haiku-20241022", 1'000'000, 0, 0, 0, 0, 0.8 },
        { "anthropic/claude-3-5-haiku-20241022", 1'000'000, 0, 0, 0, 0, 0.8 },
        { "claude-3-5-haiku@20241022", 1'000'000, 0, 0, 0, 0, 0.8 },
        { "us.anthropic.claude-3-5-haiku-20241022-v1:0", 1'000'000, 0, 0, 0, 0, 0.8 },
        { "eu.anthropic.claude-sonnet-4-5-20250929-v1:0", 100'000, 0, 0, 0, 0, 0.3 },
        { "claude-opus-4-1@20250805", 0, 1'000'000, 0, 0, 0, 75.0 },
        { "anthropic.claude-opus-4-6-v1", 0, 1'000'000, 0, 0, 0, 25.0 },
        // Codex: input without the cached part, cached input at its own price, output with reasoning.
        { "gpt-5-codex", 60'000, 10'000, 0, 0, 40'000, 0.075 + 0.1 + 0.005 },
        { "gemini-2.5-pro", 300'000, 0, 0, 0, 0, 0.2 * 1.25 + 0.1 * 2.5 },
        { "gemini-2.5-flash", 0, 1'000'000, 0, 0, 1'000'000, 2.5 + 0.03 },
    };
    for (const auto& [model, input, output, write, write1h, read, usd] : cases) {
        const ModelPrice* price = table.find(model);
        ASSERT_NE(price, nullptr) << model;
        EXPECT_NEAR(price->cost(input, output, write, write1h, read), usd, 1e-9) << model << " " << input;
    }
    for (const char* unknown : { "gpt-3o", "claude-sonnet-9", "", "claude-sonnet", "<synthetic>", "claude-3-5-haiku",
                                 "claude-3-5-haiku-20250101", "claude-opus-4-8", "x.anthropic.claude-3-5-haiku",
                                 "claude-haiku-4-5@2025", "anthropic.claude-3-5-haiku-20241022-v1:0:extra" })
        EXPECT_EQ(table.find(unknown), nullptr) << unknown;

    // An override file, and broken ones.
    TempDir dir;
    const auto path = QString::fromStdString(dir.write("prices.json", R"({
        "claude-sonnet-4-5": { "input_cost_per_token": 1e-06, "output_cost_per_token": 2e-06 },
        "my-model": { "input_cost_per_token": 5e-06, "output_cost_per_token": 5e-06 },
        "no-output": { "input_cost_per_token": 5e-06 },
        "bad": { "input_cost_per_token": "cheap", "output_cost_per_token": 1 } })"));
    const PriceTable overridden = PriceTable::load({}, path);
    EXPECT_DOUBLE_EQ(overridden.find("claude-sonnet-4-5")->cost(1'000'000, 0, 1'000'000, 0, 0), 1.0);
    EXPECT_DOUBLE_EQ(overridden.find("my-model")->cost(0, 1'000'000, 0, 0, 0), 5.0);
    // Without a cached-input price, cached input costs the input price.
    EXPECT_DOUBLE_EQ(overridden.find("my-model")->cost(0, 0, 0, 0, 1'000'000), 5.0);
    EXPECT_TRUE(!overridden.find("no-output") && !overridden.find("bad") && overridden.find("claude-opus-4-1"));

    // A file that does not load leaves the built-in table as it is; a missing one is no fault.
    const auto builtIn = PriceTable::builtIn().size();
    for (const char* text : { "{ not json", "[1, 2]", "" })
        EXPECT_EQ(PriceTable::load(QString::fromStdString(dir.write("broken.json", text)), {}).size(), builtIn) << text;
    EXPECT_EQ(PriceTable::load(QString::fromStdString(dir.path("absent.json")), {}).size(), builtIn);

    // Prices no model has leave the built-in price standing, each entry named once.
    const double opus = PriceTable::builtIn().find("claude-opus-4-1")->cost(0, 1'000'000, 0, 0, 0);
    const auto absurd = QString::fromStdString(dir.write("absurd.json", R"({
        "claude-opus-4-1": { "input_cost_per_token": 1e308, "output_cost_per_token": 1e308 },
        "claude-opus-4-1-20250805": { "input_cost_per_token": -1e-06, "output_cost_per_token": 2e-06 },
        "claude-sonnet-4-5-20250929": { "input_cost_per_token": true, "output_cost_per_token": 2e-06 } })"));
    testing::internal::CaptureStderr();
    const PriceTable guarded = PriceTable::load({}, absurd);
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_DOUBLE_EQ(guarded.find("claude-opus-4-1")->cost(0, 1'000'000, 0, 0, 0), opus);
    EXPECT_DOUBLE_EQ(guarded.find("claude-opus-4-1-20250805")->cost(0, 1'000'000, 0, 0, 0), opus);
    for (const char* model : { "claude-opus-4-1", "claude-opus-4-1-20250805", "claude-sonnet-4-5-20250929" })
        EXPECT_NE(warnings.find(std::string(model) + " a price"), std::string::npos) << warnings;

    // Only a plain file of at most the cap is read: a pipe, a device or a link stands for no file.
    const std::string fifo = dir.path("fifo.json");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = dir.path("zero.json"), linked = dir.path("linked.json"), large = dir.path("large.json");
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    ASSERT_EQ(::symlink(path.toStdString().c_str(), linked.c_str()), 0);
    dir.write("large.json", "{}");
    ASSERT_EQ(::truncate(large.c_str(), PriceTable::MaxFileBytes + 1), 0);
    for (const std::string& odd : { fifo, zero, linked, large }) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(PriceTable::load({}, QString::fromStdString(odd)).find("my-model"), nullptr) << odd;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot read the price table"), std::string::npos);
    }
}
