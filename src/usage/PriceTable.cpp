#include "usage/PriceTable.h"

#include <algorithm>
#include <mutex>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QStandardPaths>

#include "basics/OwnFile.h"

namespace pacemark {

Q_LOGGING_CATEGORY(lcPrices, "pacemark.usage.prices")

std::optional<PriceTable> PriceTable::parse(const QByteArray& json, QString* error, QStringList* rejected)
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
        else if (rejected)
            rejected->append(it.key());
    }
    return table;
}

namespace {

// The built-in table, from the application's resources.
std::optional<QByteArray> readResource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// outcome: what a failure means for the costs, said at the end of the one line. A file that is not
// there is no failure; one that is there but is not a plain file of ours is.
std::optional<PriceTable> readFile(const QString& path, const char* outcome)
{
    std::optional<QByteArray> bytes;
    QString refusal;
    if (path.startsWith(QLatin1Char(':'))) {
        bytes = readResource(path);
        refusal = QStringLiteral("missing");
    } else {
        auto file = OwnFile::read(path, PriceTable::MaxFileBytes);
        bytes = std::move(file.bytes);
        refusal = file.refusal;
        if (!bytes && refusal.isEmpty())
            return std::nullopt;
    }
    if (!bytes) {
        qCWarning(lcPrices).noquote() << "cannot read the price table" << path << ":" << refusal << "-" << outcome;
        return std::nullopt;
    }
    QString error;
    QStringList rejected;
    auto table = PriceTable::parse(*bytes, &error, &rejected);
    if (!table)
        qCWarning(lcPrices).noquote() << "the price table" << path << "is not a JSON object of prices:" << error << "-"
                                      << outcome;
    for (const QString& model : rejected)
        qCWarning(lcPrices).noquote() << "the price table" << path << "gives" << model
                                      << "a price that is not a number of dollars from 0 to 1 a token, or no input "
                                         "and output price - the entry is ignored";
    return table;
}

}

PriceTable PriceTable::builtIn()
{
    PriceTable table
        = readFile(QStringLiteral(":/pacemark/prices/claude-prices.json"), "costs are unknown").value_or(PriceTable {});
    if (const auto agents = readFile(QStringLiteral(":/pacemark/prices/agent-prices.json"), "costs are unknown"))
        for (const auto& [model, price] : agents->m_prices)
            table.m_prices[model] = price;
    return table;
}

PriceTable PriceTable::load(const QString& downloadedPath, const QString& overridePath)
{
    PriceTable table = builtIn();
    const std::pair<const QString&, const char*> layers[] = {
        { downloadedPath, "the file is ignored, the built-in prices stand" },
        { overridePath, "the file is ignored" },
    };
    for (const auto& [path, outcome] : layers)
        if (!path.isEmpty())
            if (const auto entries = readFile(path, outcome))
                for (const auto& [model, price] : entries->m_prices)
                    table.m_prices[model] = price;
    return table;
}

QString PriceTable::userOverridePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Pacemark/prices.json"));
}

QString PriceTable::downloadedListPath()
{
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/pacemark/prices.json");
}

namespace {

std::mutex currentMutex;
std::shared_ptr<const PriceTable> currentTable;

}

std::shared_ptr<const PriceTable> PriceTable::current()
{
    const std::lock_guard lock(currentMutex);
    if (!currentTable)
        currentTable = std::make_shared<const PriceTable>(load(downloadedListPath(), userOverridePath()));
    return currentTable;
}

bool PriceTable::reloadCurrent()
{
    auto table = std::make_shared<const PriceTable>(load(downloadedListPath(), userOverridePath()));
    const std::lock_guard lock(currentMutex);
    if (currentTable && *currentTable == *table)
        return false;
    currentTable = std::move(table);
    return true;
}

const ModelPrice* PriceTable::exact(std::string_view model) const
{
    const auto it = m_prices.find(std::string(model));
    return it == m_prices.end() ? nullptr : &it->second;
}

namespace {

constexpr std::string_view GatewayPrefix = "anthropic/";
constexpr std::string_view BedrockPrefix = "anthropic.";
constexpr std::string_view BedrockSuffix = "-v1:0";

bool isDate(std::string_view text)
{
    return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The length of a trailing "-YYYYMMDD", else 0.
std::size_t dateSuffix(std::string_view name)
{
    return name.size() > 9 && name[name.size() - 9] == '-' && isDate(name.substr(name.size() - 8)) ? 9 : 0;
}

// The model's own name, without the dress of a gateway ("anthropic/"), Bedrock ("us.anthropic.",
// "-v1:0") or Vertex AI ("@20250514" for "-20250514").
std::string plainName(std::string_view model)
{
    if (model.starts_with(GatewayPrefix))
        model.remove_prefix(GatewayPrefix.size());
    if (const auto at = model.find(BedrockPrefix); at != std::string_view::npos
        && std::all_of(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(at),
                       [](char c) { return (c >= 'a' && c <= 'z') || c == '.'; })
        && (at == 0 || model[at - 1] == '.')) {
        model.remove_prefix(at + BedrockPrefix.size());
        if (const auto v = model.rfind("-v"); v != std::string_view::npos) {
            const auto version = model.substr(v + 2);
            if (!version.empty() && std::all_of(version.begin(), version.end(), [](char c) {
                    return (c >= '0' && c <= '9') || c == ':';
                }))
                model = model.substr(0, v);
        }
    }
    std::string name(model);
    if (const auto at = name.rfind('@'); at != std::string::npos && isDate(std::string_view(name).substr(at + 1)))
        name[at] = '-';
    return name;
}

}

const ModelPrice* PriceTable::find(std::string_view model) const
{
    if (model.empty())
        return nullptr;
    if (const auto* p = exact(model))
        return p;
    // The same model under the names the list may give it: plain, behind a gateway, on Bedrock, on
    // Vertex AI; then a dated release of a model the list names undated. Never a neighbour's price.
    const std::string plain = plainName(model);
    const std::size_t date = dateSuffix(plain);
    for (const std::string& name : { plain, plain.substr(0, plain.size() - date) }) {
        const std::size_t dated = dateSuffix(name);
        const std::string forms[] = {
            name,
            std::string(GatewayPrefix) + name,
            std::string(BedrockPrefix) + name + std::string(BedrockSuffix),
            dated ? name.substr(0, name.size() - dated) + '@' + name.substr(name.size() - dated + 1) : std::string(),
        };
        for (const auto& form : forms)
            if (!form.empty())
                if (const auto* p = exact(form))
                    return p;
        if (!date)
            break;
    }
    return nullptr;
}

}
