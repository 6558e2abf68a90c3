#!/usr/bin/env bash
# Builds the Debian package into build-deb/ and checks it as Debian would: lintian on the package,
# desktop-file-validate and appstreamcli validate on the files it installs. Fails on any error or
# warning that the README does not list.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

tools=(lintian desktop-file-utils appstream dpkg-dev)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
        --no-install-recommends "${missing[@]}"
fi

# Debian's own hardening and optimisation flags, as a package built by Debian would have them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
# The application module goes where Debian puts a package's private libraries, lib/<triplet>/pacemark.
scripts/build.sh build-deb -DCMAKE_BUILD_TYPE=Release -DPACEMARK_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_LIBDIR="lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)" \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags"
rm -f build-deb/pacemark_*.deb
(cd build-deb && cpack >/dev/null)
deb=$(ls build-deb/pacemark_*.deb)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Maintainer Section Priority Depends Recommends

echo "== lintian"
lintian --fail-on error,warning "$deb"

root=build-deb/unpacked
rm -rf "$root"
dpkg-deb -x "$deb" "$root"
echo "== desktop-file-validate"
report=$(desktop-file-validate "$root"/usr/share/applications/*.desktop 2>&1) || { echo "$report"; exit 1; }
[ -z "$report" ] || { echo "$report"; exit 1; }
echo "== appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
echo "package.sh: $deb passes"
