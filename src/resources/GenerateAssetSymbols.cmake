# cmake -DASSET_DIR=<folder> -DPREFIX=<resource prefix> -DOUTPUT=<header> -P GenerateAssetSymbols.cmake
# Writes one constant per image of the folder: its asset name (the file name without extension) and
# its resource path.
file(GLOB images RELATIVE ${ASSET_DIR} ${ASSET_DIR}/*.png)
list(SORT images)

set(constants "")
set(names "")
list(LENGTH images count)
foreach(image IN LISTS images)
    get_filename_component(name ${image} NAME_WE)
    string(MAKE_C_IDENTIFIER ${name} symbol)
    string(LENGTH "${name}" name_length)
    set(path "${PREFIX}${image}")
    string(LENGTH "${path}" path_length)
    string(APPEND constants
        "inline constexpr Asset ${symbol} { QLatin1StringView(\"${name}\", ${name_length}), "
        "QLatin1StringView(\"${path}\", ${path_length}) };\n")
    list(APPEND names ${symbol})
endforeach()
list(JOIN names ", " all)

file(WRITE ${OUTPUT} "// Generated from the images in src/resources when the project is built; edits are overwritten.
#pragma once

#include <array>

#include <QLatin1StringView>

namespace GeneratedAssetSymbols {

struct Asset
{
    QLatin1StringView name;
    QLatin1StringView resourcePath;
};

${constants}
inline constexpr std::array<Asset, ${count}> all { ${all} };

}
")
