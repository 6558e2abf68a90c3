#include "ingest/CrossFileDeduplicator.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <string_view>
#include <unordered_set>

namespace pacemark {

namespace {

struct Slot
{
    std::uint64_t key = 0; // 0: empty
    std::uint32_t file = 0;
    std::uint32_t index = 0;
};

std::uint64_t slotKey(const UsageRecord& r)
{
    const std::uint64_t h = std::hash<std::string_view> {}(r.messageId.view());
    const std::uint64_t key = h ^ (r.requestId + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
    return key == 0 ? 1 : key;
}

}

std::vector<RecordList::BatchPtr> CrossFileDeduplicator::resolve(const std::vector<std::string>& paths,
                                                                 const std::vector<RecordList::BatchPtr>& batches)
{
    if (paths == m_lastPaths && batches == m_lastBatches)
        return m_lastResult;

    std::size_t withRequest = 0;
    std::unordered_set<std::string_view> relayedWithoutRequest;
    for (const auto& batch : batches) {
        if (!batch)
            continue;
        for (const auto& r : batch->records) {
            withRequest += r.requestId != 0;
            if (r.requestId == 0 && r.fromProgress)
                relayedWithoutRequest.insert(r.messageId.view());
        }
    }

    // An open-addressing table for the whole history, at most two thirds full: one flat allocation
    // for the step, no node per record.
    const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(16, withRequest + withRequest / 2));
    const std::size_t mask = capacity - 1;
    std::vector<Slot> table(withRequest ? capacity : 0);
    std::vector<std::vector<std::uint32_t>> dropped(batches.size());

    const auto record = [&](const Slot& s) -> const UsageRecord& { return batches[s.file]->records[s.index]; };
    // Whether copy a is kept rather than copy b.
    const auto preferred = [&](const Slot& a, const Slot& b) {
        const UsageRecord& ra = record(a);
        const UsageRecord& rb = record(b);
        if (ra.fromProgress != rb.fromProgress)
            return rb.fromProgress;
        if (ra.timestamp != rb.timestamp)
            return ra.timestamp < rb.timestamp;
        const auto ta = ra.totalTokens(), tb = rb.totalTokens();
        if (ta != tb)
            return ta > tb;
        return paths[a.file] < paths[b.file];
    };

    for (std::size_t f = 0; f < batches.size() && withRequest; ++f) {
        if (!batches[f])
            continue;
        const auto& records = batches[f]->records;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const UsageRecord& r = records[i];
            if (r.requestId == 0)
                continue;
            const Slot copy { slotKey(r), static_cast<std::uint32_t>(f), static_cast<std::uint32_t>(i) };
            for (std::size_t pos = copy.key & mask;; pos = (pos + 1) & mask) {
                Slot& slot = table[pos];
                if (slot.key == 0) {
                    slot = copy;
                    break;
                }
                if (slot.key != copy.key) // another message sharing the bucket
                    continue;
                const UsageRecord& held = record(slot);
                if (held.requestId != r.requestId || !(held.messageId == r.messageId))
                    continue;
                if (preferred(copy, slot)) {
                    dropped[slot.file].push_back(slot.index);
                    slot = copy;
                } else {
                    dropped[f].push_back(copy.index);
                }
                break;
            }
        }
    }

    // A relayed message without a request id gives way to an assistant line without one that has its
    // message id: the pair of ids is the same, though such lines never merge with each other.
    if (!relayedWithoutRequest.empty()) {
        std::unordered_set<std::string_view> carried;
        for (const auto& batch : batches)
            if (batch)
                for (const auto& r : batch->records)
                    if (r.requestId == 0 && !r.fromProgress && relayedWithoutRequest.contains(r.messageId.view()))
                        carried.insert(r.messageId.view());
        for (std::size_t f = 0; f < batches.size() && !carried.empty(); ++f) {
            if (!batches[f])
                continue;
            const auto& records = batches[f]->records;
            for (std::size_t i = 0; i < records.size(); ++i)
                if (records[i].requestId == 0 && records[i].fromProgress
                    && carried.contains(records[i].messageId.view()))
                    dropped[f].push_back(static_cast<std::uint32_t>(i));
        }
    }

    std::vector<RecordList::BatchPtr> result(batches.size());
    std::unordered_map<std::string, Filtered> filtered;
    for (std::size_t f = 0; f < batches.size(); ++f) {
        if (dropped[f].empty()) {
            result[f] = batches[f];
            continue;
        }
        std::sort(dropped[f].begin(), dropped[f].end());
        const auto known = m_filtered.find(paths[f]);
        if (known != m_filtered.end() && known->second.input == batches[f] && known->second.dropped == dropped[f]) {
            result[f] = known->second.kept;
            filtered.emplace(paths[f], std::move(known->second));
            continue;
        }
        std::vector<UsageRecord> kept;
        kept.reserve(batches[f]->records.size() - dropped[f].size());
        auto next = dropped[f].begin();
        for (std::size_t i = 0; i < batches[f]->records.size(); ++i) {
            if (next != dropped[f].end() && *next == i)
                ++next;
            else
                kept.push_back(batches[f]->records[i]);
        }
        result[f] = std::make_shared<const RecordBatch>(std::move(kept));
        filtered.emplace(paths[f], Filtered { batches[f], std::move(dropped[f]), result[f] });
    }
    m_filtered = std::move(filtered);
    m_lastPaths = paths;
    m_lastBatches = batches;
    m_lastResult = result;
    return result;
}

}
