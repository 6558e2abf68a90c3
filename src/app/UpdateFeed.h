#pragma once

#include <optional>
#include <variant>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

namespace pacemark {

// An update feed in Sparkle's appcast format: an RSS 2.0 channel whose items each describe one
// release with its version, a short version string, release notes and a download.
class UpdateFeed
{
public:
    struct Item
    {
        QString title;
        // The build number, sparkle:version.
        QString version;
        // The version people see, sparkle:shortVersionString.
        QString shortVersionString;
        // Release notes inline, from the item's description.
        QString description;
        QUrl releaseNotesLink;
        QUrl link;
        QUrl enclosureUrl;

        // The short version string, else the build number.
        QString displayVersion() const;
        // The release's web page, else the download itself; only https addresses count.
        QUrl downloadPage() const;
    };

    // The items that name a version, in feed order; an error text when the data is no RSS feed.
    static std::variant<QList<Item>, QString> parse(const QByteArray& data);
    // The item with the highest version; none for no items.
    static std::optional<Item> newest(const QList<Item>& items);
};

}
