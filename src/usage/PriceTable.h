#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "usage/ModelPrice.h"

namespace pacemark {

// Prices per model: the built-in snapshot of LiteLLM's list for the models of Claude Code, Codex CLI and
// Gemini CLI, and what the user's
// override file changes. A model the table does not know has no cost, never a cost of zero.
class PriceTable
{
public:
    PriceTable() = default;

    // The table in a LiteLLM-shaped JSON object (model name to prices); empty with *error set when the
    // text is not such an object. Entries without usable prices are skipped, and named in *rejected.
    static std::optional<PriceTable> parse(const QByteArray& json, QString* error = nullptr,
                                           QStringList* rejected = nullptr);
    // The built-in snapshot.
    static PriceTable builtIn();
    // The built-in snapshot, with the entries of the downloaded list at downloadedPath over its own
    // and those of the user's file at overridePath over both, each when the file exists. A file that
    // fails to load is reported in one line on stderr and ignored, and so is each entry it has to leave
    // out. Only a regular file of at most MaxFileBytes is read; anything else at a path counts as absent.
    static PriceTable load(const QString& downloadedPath, const QString& overridePath);
    // $XDG_CONFIG_HOME/Pacemark/prices.json
    static QString userOverridePath();
    // $XDG_CACHE_HOME/pacemark/prices.json (by default under ~/.cache), where the tray application
    // keeps LiteLLM's list.
    static QString downloadedListPath();
    // The process's table, loaded with the downloaded list and the user's file on first use. Each
    // caller holds its own snapshot, so a reload never changes prices under a computation.
    static std::shared_ptr<const PriceTable> current();
    // Loads the files again and makes them the process's table; true when a price changed.
    static bool reloadCurrent();

    // LiteLLM's whole list is under 2 MiB; the files kept here hold the agents' models only.
    static constexpr qint64 MaxFileBytes = 8 << 20;

    // The price of a model by its name in the logs: the exact name; then its plain name (without an
    // "anthropic/" prefix, Bedrock's "anthropic." and "-v1:0", Vertex AI's "@" before the date) as
    // it is, with that prefix, in Bedrock's form "anthropic.<name>-v1:0" and in Vertex AI's
    // "<name>@<date>"; then the same without a trailing "-YYYYMMDD". Null when none is known.
    const ModelPrice* find(std::string_view model) const;

    void insert(const std::string& model, const ModelPrice& price) { m_prices[model] = price; }
    std::size_t size() const { return m_prices.size(); }
    bool operator==(const PriceTable&) const = default;

private:
    const ModelPrice* exact(std::string_view model) const;

    std::unordered_map<std::string, ModelPrice> m_prices;
};

}
