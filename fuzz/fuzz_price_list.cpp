#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include <QJsonDocument>
#include <QJsonObject>

#include "usage/PriceTable.h"

using namespace pacemark;

// One input is a price list as the override file or a download would bring it. Whatever it holds, a
// price that is taken gives every count of tokens a finite cost of at least zero.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto table = PriceTable::parse(json);
    if (!table)
        return 0;
    constexpr std::int64_t Most = std::numeric_limits<std::int64_t>::max();
    const std::int64_t counts[][5] = { { 1, 1, 1, 1, 1 },
                                       { 250'000, 300'000, 400'000, 100'000, 900'000 },
                                       { Most, Most, Most, Most, Most },
                                       { 0, 0, 10, 20, 0 } };
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const ModelPrice* price = table->find(it.key().toStdString());
        if (!price)
            continue;
        for (const auto& c : counts) {
            const double usd = price->cost(c[0], c[1], c[2], c[3], c[4]);
            if (!std::isfinite(usd) || usd < 0)
                __builtin_trap();
        }
    }
    return 0;
}
