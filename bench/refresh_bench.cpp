// Times the usage refresh over a log tree, as the application runs it, and prints the figures:
// the cold first refresh, a refresh with no log changed as the log watcher starts it (a write to a
// file below the logs folder that is no log), a full re-read with nothing changed, a refresh after
// one appended line, the same with the history store (its first refresh writes every ended day), and
// the heap held per record.
//
// usage: pacemark_bench <projects-folder> [append-target.jsonl]

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "basics/ManualClock.h"
#include "ingest/ClaudeCodeProvider.h"
#include "ingest/JSONLParser.h"
#include "ingest/LogFileLister.h"
#include "ingest/ProviderManager.h"
#include "usage/DailyUsageStore.h"
#include "usage/UsageDataManager.h"

#include "WatchedRefresh.h"

using namespace pacemark;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long peakRssKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

std::int64_t totalBytes(const std::string& root)
{
    std::int64_t bytes = 0;
    for (const auto& file : LogFileLister::list({ root }, LogFileLister::Scope::SessionLogs))
        bytes += file.stamp.size;
    return bytes;
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <projects-folder> [append-target.jsonl]\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    ManualClock clock(Instant { std::chrono::seconds { 1796558400 } }); // the corpus's "now"
    Clock::install(&clock);

    const auto files = LogFileLister::list({ root }, LogFileLister::Scope::SessionLogs);
    const double gib = static_cast<double>(totalBytes(root)) / (1 << 30);
    const auto heapBefore = mallinfo2().uordblks;

    ProviderManager providers(root);
    UsageDataManager usage(&providers);
    const auto& claude = providers.claudeCode();

    const double cold = startMs(usage);
    const auto records = usage.allRecords().size();
    const auto heapAfter = mallinfo2().uordblks;
    std::printf("files                 %zu (%.2f GiB)\n", files.size(), gib);
    std::printf("records               %zu (after per-file de-duplication)\n", records);
    std::printf("cold refresh          %.1f ms  (%.2f GiB/s)\n", cold, gib / (cold / 1000));

    const std::string notLog = root + "/pacemark-bench.json";
    std::vector<double> watched;
    for (int i = 0; i < 15; ++i)
        watched.push_back(watchedMs(
            usage, [&] { std::ofstream(notLog) << i; }, [] { return true; }));
    std::remove(notLog.c_str());
    std::printf("unchanged refresh     %.2f ms median of 15 (watcher: a write that is no log), files parsed: %zu\n",
                median(watched), claude->lastParsedFileCount());

    std::vector<double> warm;
    for (int i = 0; i < 5; ++i)
        warm.push_back(refreshMs(usage));
    std::printf("full re-read          %.2f ms median of 5 (every log listed, nothing changed), files parsed: %zu\n",
                median(warm), claude->lastParsedFileCount());

    if (argc > 2) {
        std::vector<double> appendTimes;
        for (int i = 0; i < 5; ++i) {
            const qint64 before = usage.cumulativeTokens();
            appendTimes.push_back(watchedMs(
                usage,
                [&] {
                    std::ofstream(argv[2], std::ios::app)
                        << "{\"type\":\"assistant\",\"sessionId\":\"bench\",\"timestamp\":\"2026-12-06T11:59:0" << i
                        << ".000Z\",\"message\":{\"id\":\"msg_bench_" << i
                        << "\",\"model\":\"claude-opus-4-1\",\"usage\":{\"input_tokens\":1,\"output_tokens\":1000}}}\n";
                },
                [&] { return usage.cumulativeTokens() > before; }));
        }
        // The same figures must come out of a fresh read of everything.
        ProviderManager freshProviders(root);
        UsageDataManager fresh(&freshProviders);
        refreshMs(fresh);
        const bool same = fresh.cumulativeTokens() == usage.cumulativeTokens()
            && fresh.allRecords().toVector() == usage.allRecords().toVector();
        std::printf("append one line       %.2f ms median of 5 (watcher; file %.0f MiB), same as a full re-read: %s\n",
                    median(appendTimes), static_cast<double>(FileStamp::read(argv[2])->size) / (1 << 20),
                    same ? "yes" : "NO");
    }

    {
        QTemporaryDir folder;
        std::shared_ptr<DailyUsageStore> store
            = DailyUsageStore::open(folder.filePath(QStringLiteral("history.sqlite"))).store;
        ProviderManager ledgerProviders(root);
        UsageDataManager ledgered(&ledgerProviders);
        ledgered.setHistoryStore(store);
        const double first = refreshMs(ledgered);
        std::vector<double> unchanged;
        for (int i = 0; i < 15; ++i)
            unchanged.push_back(refreshMs(ledgered));
        std::printf(
            "with history store    cold %.1f ms (wrote %zu days), full re-read %.2f ms median of 15, same total: %s\n",
            first, store ? store->days().value_or(std::map<QString, LedgerDay> {}).size() : 0, median(unchanged),
            ledgered.cumulativeTokens() == usage.cumulativeTokens() ? "yes" : "NO");
    }

    std::printf("heap held per record  %.0f bytes (%zu bytes for %zu records)\n",
                records ? static_cast<double>(heapAfter - heapBefore) / static_cast<double>(records) : 0.0,
                heapAfter - heapBefore, records);
    std::printf("peak RSS              %.1f MiB\n", static_cast<double>(peakRssKiB()) / 1024);
    Clock::install(nullptr);
    return 0;
}
