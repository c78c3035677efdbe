#!/usr/bin/env bash
# Builds the Debian package in build/ (reusing what is built there) and checks it: its files,
# its dependencies, its desktop entry and metainfo, and that the program it installs starts.
# As root, and when no kvt450 package is installed already, the package is installed with apt
# and removed again; otherwise the programs are run from the unpacked package.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "check-package: $*" >&2
    exit 1
}

id=org.kvt450.utility
dir=$(scripts/build.sh --werror --target kvt450 --target kvt450-sim)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$dir/CPackConfig.cmake")
rm -f "$dir"/kvt450_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
debs=("$dir"/kvt450_"$version"-*.deb)
deb=$(realpath "${debs[0]}")
[ -f "$deb" ] || fail "cpack made no kvt450_$version package"

[ "$(dpkg-deb --field "$deb" Package)" = kvt450 ] || fail "the package is not named kvt450"
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for file in usr/bin/kvt450 usr/bin/kvt450-sim usr/share/applications/$id.desktop \
    usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/metainfo/$id.metainfo.xml; do
    grep -qxF "./$file" <<<"$contents" || fail "$file is missing from the package"
done
depends=$(dpkg-deb --field "$deb" Depends)
# Widgets and the serial port are linked; the SVG icon engine is loaded at run time.
for package in libqt6widgets6 libqt6serialport6 libqt6svg6; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done

root=$(mktemp -d)
installed=no
cleanup() {
    [ "$installed" = no ] || apt-get remove -y -qq kvt450 >/dev/null
    rm -rf "$root"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$root/unpacked"
desktop=$root/unpacked/usr/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
grep -qx 'Exec=kvt450' "$desktop" || fail "the desktop entry does not start kvt450"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
appstreamcli validate --no-net --strict "$root/unpacked/usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "the metainfo does not validate"

bin=$root/unpacked/usr/bin
if [ "$(id -u)" -eq 0 ] && ! dpkg-query -W -f='${Status}' kvt450 2>/dev/null | grep -q 'ok installed'; then
    installed=yes
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
    bin=/usr/bin
fi
[ "$("$bin/kvt450" --version)" = "kvt450 (KVT-450 Series Utility) $version" ] ||
    fail "kvt450 --version does not say $version"
"$bin/kvt450-sim" --help >/dev/null || fail "kvt450-sim --help failed"
# Still running after three seconds: the setup window is up and waiting for the operator.
status=0
XDG_CONFIG_HOME=$root/config QT_QPA_PLATFORM=offscreen timeout 3 "$bin/kvt450" 2>/dev/null || status=$?
[ "$status" -eq 124 ] || fail "kvt450 ended at start with status $status"

echo "Package $(basename "$deb") checked (installed with apt: $installed)."
echo "Depends: $depends"
