#pragma once

#include <QImage>
#include <QString>

namespace pacemark {

// The images that ship inside the application, looked up by asset name ("c7", "toki").
class BundledImages
{
public:
    // A null image when no asset has that name or its data cannot be decoded.
    static QImage image(const QString& name);
};

}
