// Times the usage refresh over a mixed home, Claude Code's logs with Codex CLI's rollouts (and
// Gemini CLI's chats), as the application runs it: the cold first refresh, one with no log changed as
// the log watcher starts it (a write below the logs folder that is no log), and a full re-read with
// nothing changed.
//
// usage: pacemark_agents_bench <claude-projects-folder> <codex-home> [gemini-home]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "basics/ManualClock.h"
#include "ingest/ProviderManager.h"
#include "usage/UsageDataManager.h"

#include "WatchedRefresh.h"

using namespace pacemark;

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

    const double cold = startMs(usage);
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
    const std::string notLog = projects + "/pacemark-bench.json";
    std::vector<double> watched;
    for (int i = 0; i < 15; ++i)
        watched.push_back(watchedMs(
            usage, [&] { std::ofstream(notLog) << i; }, [] { return true; }));
    std::remove(notLog.c_str());
    std::sort(watched.begin(), watched.end());
    std::printf("unchanged refresh     %.2f ms median of 15 (watcher: a write that is no log)\n",
                watched[watched.size() / 2]);
    std::vector<double> warm;
    for (int i = 0; i < 5; ++i)
        warm.push_back(refreshMs(usage));
    std::sort(warm.begin(), warm.end());
    std::printf("full re-read          %.2f ms median of 5 (every log listed, nothing changed)\n",
                warm[warm.size() / 2]);
    return 0;
}
