#!/usr/bin/env bash
# Builds the Debian packages netkestrel (the window) and netkestrel-cli (the
# engine, its library, the vendor data and the watch service) with
# dpkg-buildpackage, and prints the path of netkestrel_VERSION_ARCH.deb as its
# last line; netkestrel-cli_VERSION_ARCH.deb lies beside it.
#   scripts/package.sh
# The build runs in a copy of the sources in build-package/, whose compiled
# tree is kept between runs (and ccache shared with every checkout), so an
# unchanged tree packages again in moments.
set -euo pipefail
cd "$(dirname "$0")/.."
checkout=$PWD

if [ "$(id -u)" -eq 0 ]; then
    bash scripts/install-deps.sh >&2
fi
for tool in dpkg-buildpackage dpkg-parsechangelog dh; do
    command -v "$tool" >/dev/null || { echo "package: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

version=$(dpkg-parsechangelog -S Version)
cmake_version=$(sed -n 's/^project(Netkestrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ "$version" != "$cmake_version" ]; then
    echo "package: debian/changelog is at $version but CMakeLists.txt at $cmake_version" >&2
    exit 1
fi
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
out=$checkout/build-package
stage=$out/netkestrel-$version

# The sources as they stand (tracked files and new ones not ignored), with
# their times, so that the kept build folder recompiles only what changed.
mkdir -p "$stage"
find "$stage" -mindepth 1 -maxdepth 1 ! -name obj -exec rm -rf {} +
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -co --exclude-standard |
        while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
        tar --null -T - -cf - | tar -xf - -C "$stage"
else
    tar --exclude='./build*' -cf - . | tar -xf - -C "$stage"
fi
rm -f "$out"/netkestrel*_"$version"_*
# CMake reads the compiler flags only when a build folder is made: a folder
# made with other flags starts again.
flags=$(DEB_BUILD_MAINT_OPTIONS=$(sed -n 's/^export DEB_BUILD_MAINT_OPTIONS = //p' "$stage/debian/rules") \
    dpkg-buildflags | sha256sum)
if [ "$(cat "$stage/obj/.package-flags" 2>/dev/null)" != "$flags" ]; then
    rm -rf "$stage/obj"
fi

if command -v ccache >/dev/null; then
    # Paths relative to the copy, so that any checkout's copy finds what another cached.
    export CCACHE_BASEDIR=$stage CCACHE_NOHASHDIR=1
fi
export NETKESTREL_DEB_BUILD_DIR=obj
# -nc: no clean first, which would throw the kept build folder away.
(cd "$stage" && dpkg-buildpackage -b -nc --no-sign -j"$(nproc)") >&2

deb=$out/netkestrel_${version}_${arch}.deb
echo "$flags" >"$stage/obj/.package-flags"
for built in "$deb" "$out/netkestrel-cli_${version}_${arch}.deb"; do
    [ -f "$built" ] || { echo "package: $built was not built" >&2; exit 1; }
done
echo "$deb"
