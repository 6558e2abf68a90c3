#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QByteArray>
#include <QString>

#include "usage/ModelPrice.h"

// Prices per model: the built-in snapshot of LiteLLM's list for the Claude models, and what the user's
// override file changes. A model the table does not know has no cost, never a cost of zero.
class PriceTable
{
public:
    PriceTable() = default;

    // The table in a LiteLLM-shaped JSON object (model name to prices); empty with *error set when the
    // text is not such an object. Entries without usable prices are skipped.
    static std::optional<PriceTable> parse(const QByteArray& json, QString* error = nullptr);
    // The built-in snapshot.
    static PriceTable builtIn();
    // The built-in snapshot with the entries of the file at overridePath in place of its own, when that
    // file exists. A file or snapshot that fails to load is reported in one line on stderr and ignored.
    static PriceTable load(const QString& overridePath);
    // $XDG_CONFIG_HOME/Pacemark/prices.json
    static QString userOverridePath();
    // The process's table, loaded once with the user's override file.
    static const PriceTable& standard();

    // The price of a model by its name in the logs: the exact name, then with or without an
    // "anthropic/" prefix, then without a trailing "-YYYYMMDD" date. Null when none is known.
    const ModelPrice* find(std::string_view model) const;

    void insert(const std::string& model, const ModelPrice& price) { m_prices[model] = price; }
    std::size_t size() const { return m_prices.size(); }

private:
    const ModelPrice* exact(std::string_view model) const;

    std::unordered_map<std::string, ModelPrice> m_prices;
};
