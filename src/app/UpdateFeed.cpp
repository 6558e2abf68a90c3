#include "app/UpdateFeed.h"

#include <QXmlStreamReader>

#include "app/VersionComparator.h"

namespace pacemark {

namespace {

const QString SparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isSparkle(const QXmlStreamReader& xml, QStringView name)
{
    return xml.namespaceUri() == SparkleNamespace && xml.name() == name;
}

bool isPlain(const QXmlStreamReader& xml, QStringView name)
{
    return xml.namespaceUri().isEmpty() && xml.name() == name;
}

QUrl httpsUrl(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    return url.isValid() && url.scheme() == u"https" && !url.host().isEmpty() ? url : QUrl();
}

UpdateFeed::Item readItem(QXmlStreamReader& xml)
{
    UpdateFeed::Item item;
    while (xml.readNextStartElement()) {
        if (isPlain(xml, u"enclosure")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            item.enclosureUrl = httpsUrl(attributes.value(QLatin1StringView("url")).toString());
            if (item.version.isEmpty())
                item.version = attributes.value(SparkleNamespace, QLatin1StringView("version")).toString().trimmed();
            if (item.shortVersionString.isEmpty())
                item.shortVersionString
                    = attributes.value(SparkleNamespace, QLatin1StringView("shortVersionString")).toString().trimmed();
            xml.skipCurrentElement();
        } else if (isSparkle(xml, u"version")) {
            item.version = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isSparkle(xml, u"shortVersionString")) {
            item.shortVersionString = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isSparkle(xml, u"releaseNotesLink")) {
            item.releaseNotesLink = httpsUrl(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (isPlain(xml, u"title")) {
            item.title = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isPlain(xml, u"description")) {
            item.description = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isPlain(xml, u"link")) {
            item.link = httpsUrl(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else {
            xml.skipCurrentElement();
        }
    }
    return item;
}

}

QString UpdateFeed::Item::displayVersion() const
{
    return shortVersionString.isEmpty() ? version : shortVersionString;
}

QUrl UpdateFeed::Item::downloadPage() const
{
    return link.isValid() ? link : enclosureUrl;
}

std::variant<QList<UpdateFeed::Item>, QString> UpdateFeed::parse(const QByteArray& data)
{
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement() || !isPlain(xml, u"rss"))
        return xml.hasError() ? xml.errorString() : QStringLiteral("not an RSS feed");
    QList<Item> items;
    bool sawChannel = false;
    while (xml.readNextStartElement()) {
        if (!isPlain(xml, u"channel")) {
            xml.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (xml.readNextStartElement()) {
            if (!isPlain(xml, u"item")) {
                xml.skipCurrentElement();
                continue;
            }
            Item item = readItem(xml);
            if (!item.displayVersion().isEmpty())
                items.append(std::move(item));
        }
    }
    if (xml.hasError())
        return xml.errorString();
    if (!sawChannel)
        return QStringLiteral("the feed has no channel");
    return items;
}

std::optional<UpdateFeed::Item> UpdateFeed::newest(const QList<Item>& items)
{
    std::optional<Item> best;
    for (const Item& item : items) {
        if (!best || VersionComparator::compare(item.displayVersion(), best->displayVersion()) > 0)
            best = item;
    }
    return best;
}

}
