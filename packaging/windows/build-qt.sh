#!/usr/bin/env bash
# Builds the small qtbase for Windows that potero needs, from Debian's own source package, and
# prints its install folder. The build is cached under ~/.cache, keyed by the Qt version, the
# patches, the configure options and the toolchain file, so only a change to one of them builds
# again (an edit elsewhere in this script does not).
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")

# Only what the program and its tests use: no SQL, network, D-Bus, ICU, OpenGL, Vulkan or
# Direct2D; DirectWrite off so the GUI library and the Windows plugin agree on the font database
# (GDI's, which also matches the metafiles' text best); zlib, libpng, libjpeg, harfbuzz and pcre
# bundled, as no MinGW builds of them are packaged.
options=(-xplatform win32-g++ -qt-host-path /usr -release
    -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-feature-vulkan
    -no-feature-sql -no-feature-network -no-feature-printsupport -no-feature-concurrent
    -no-feature-xml -no-feature-direct2d -no-feature-directwrite -no-feature-directwrite3
    -no-feature-freetype -no-feature-fontconfig
    -qt-zlib -qt-libpng -qt-libjpeg -qt-harfbuzz -qt-pcre)

package_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
version=${package_version%%+*}
key=$( { echo "$package_version ${options[*]}"; cat "$here/mingw-toolchain.cmake" \
         "$here"/qt-patches/*.patch; } | sha256sum | cut -c1-16)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/potero
prefix=$cache/qt-$version-mingw-$key
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

# An older build is not used again: 76 MB each.
rm -rf "$cache"/qt-*-mingw-*
work=$cache/qt-build
rm -rf "$work" && mkdir -p "$work"
cd "$work"
# Debian's source package is the same release as the host's Qt tools, which a cross build needs.
if ! apt-get source --download-only -qq "qt6-base=$package_version" >&2; then
    echo "build-qt: cannot fetch Debian's qt6-base source package" >&2
    exit 1
fi
tar xf qt6-base_*.orig.tar.xz
src=$(echo "$work"/qtbase-everywhere-src-*)
for p in "$here"/qt-patches/*.patch; do patch -d "$src" -p1 -s <"$p"; done

mkdir build && cd build
"$src/configure" -prefix "$prefix" "${options[@]}" \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/mingw-toolchain.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >&2
cmake --build . --parallel >&2
cmake --install . >&2
touch "$prefix/.complete"
cd / && rm -rf "$work"
echo "$prefix"
