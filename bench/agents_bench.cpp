// Times the usage refresh over a mixed home, Claude Code's logs with Codex CLI's rollouts (and
// Gemini CLI's chats), as the application runs it: the cold first refresh and one with nothing changed.
//
// usage: pacemark_agents_bench <claude-projects-folder> <codex-home> [gemini-home]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>

#include "basics/ManualClock.h"
#include "ingest/ProviderManager.h"
#include "usage/UsageDataManager.h"

using namespace pacemark;

namespace {

double refreshMs(UsageDataManager& usage)
{
    QEventLoop loop;
    QObject::connect(&usage, &UsageDataManager::refreshed, &loop, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    usage.refresh();
    loop.exec();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <claude-projects-folder> <codex-home> [gemini-home]\n", argv[0]);
        return 2;
    }
    ManualClock clock(Instant { std::chrono::seconds { 1796558400 } }); // the corpus's "now"
    Clock::install(&clock);
    const std::string projects = argv[1];
    ProviderManager providers(projects);
    providers.registerOtherAgents({ argv[2] }, argc > 3 ? argv[3] : "/nonexistent");
    UsageDataManager usage(&providers);

    const double cold = refreshMs(usage);
    std::map<std::string, std::pair<std::size_t, std::int64_t>> bySource;
    usage.allRecords().forEach([&](const UsageRecord& r) {
        auto& [count, tokens] = bySource[r.providerId.str()];
        ++count;
        tokens += r.totalTokens();
    });
    for (const auto& [source, figures] : bySource)
        std::printf("%-12s          %zu records, %lld tokens\n", source.c_str(), figures.first,
                    static_cast<long long>(figures.second));
    std::printf("cold refresh          %.1f ms\n", cold);
    std::vector<double> warm;
    for (int i = 0; i < 15; ++i)
        warm.push_back(refreshMs(usage));
    std::sort(warm.begin(), warm.end());
    std::printf("unchanged refresh     %.2f ms median of 15\n", warm[warm.size() / 2]);
    return 0;
}
