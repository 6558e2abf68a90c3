#include "runner/BundledImages.h"

#include "resources/GeneratedAssetSymbols.h"

namespace pacemark {

QImage BundledImages::image(const QString& name)
{
    for (const GeneratedAssetSymbols::Asset& asset : GeneratedAssetSymbols::all) {
        if (asset.name == name)
            return QImage(QString(asset.resourcePath));
    }
    return {};
}

}
