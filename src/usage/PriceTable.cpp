#include "usage/PriceTable.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcPrices, "pacemark.usage.prices")

std::optional<PriceTable> PriceTable::parse(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        if (error)
            *error = parseError.error != QJsonParseError::NoError
                ? QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset)
                : QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    PriceTable table;
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (!it.value().isObject())
            continue;
        if (auto price = ModelPrice::fromJson(it.value().toObject()))
            table.m_prices[it.key().toStdString()] = *price;
    }
    return table;
}

namespace {

// outcome: what a failure means for the costs, said at the end of the one line.
std::optional<PriceTable> readFile(const QString& path, const char* outcome)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcPrices).noquote() << "cannot read the price table" << path << ":" << file.errorString() << "-"
                                      << outcome;
        return std::nullopt;
    }
    QString error;
    auto table = PriceTable::parse(file.readAll(), &error);
    if (!table)
        qCWarning(lcPrices).noquote() << "the price table" << path << "is not a JSON object of prices:" << error << "-"
                                      << outcome;
    return table;
}

}

PriceTable PriceTable::builtIn()
{
    return readFile(QStringLiteral(":/pacemark/prices/claude-prices.json"), "costs are unknown")
        .value_or(PriceTable {});
}

PriceTable PriceTable::load(const QString& overridePath)
{
    PriceTable table = builtIn();
    if (overridePath.isEmpty() || !QFile::exists(overridePath))
        return table;
    if (const auto overrides = readFile(overridePath, "the file is ignored, the built-in prices stand"))
        for (const auto& [model, price] : overrides->m_prices)
            table.m_prices[model] = price;
    return table;
}

QString PriceTable::userOverridePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Pacemark/prices.json"));
}

const PriceTable& PriceTable::standard()
{
    static const PriceTable table = load(userOverridePath());
    return table;
}

const ModelPrice* PriceTable::exact(std::string_view model) const
{
    const auto it = m_prices.find(std::string(model));
    return it == m_prices.end() ? nullptr : &it->second;
}

const ModelPrice* PriceTable::find(std::string_view model) const
{
    if (model.empty())
        return nullptr;
    constexpr std::string_view prefix = "anthropic/";
    const std::string_view bare = model.starts_with(prefix) ? model.substr(prefix.size()) : model;
    if (const auto* p = exact(model))
        return p;
    if (const auto* p = bare == model ? exact(std::string(prefix) + std::string(model)) : exact(bare))
        return p;
    // A dated release of a model the table lists undated: the same model, not a guess across families.
    constexpr std::size_t dateLength = 9; // "-YYYYMMDD"
    if (bare.size() > dateLength && bare[bare.size() - dateLength] == '-'
        && std::all_of(bare.end() - 8, bare.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return exact(bare.substr(0, bare.size() - dateLength));
    return nullptr;
}
