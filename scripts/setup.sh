#!/usr/bin/env bash
# Makes a Debian 12 machine ready to build and test Skyloom: installs the
# packages that are missing and fetches tinyxml2's sources for the Windows
# build into the build tree. Safe to run again; does nothing when all is there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libtinyxml2-dev libcurl4-openssl-dev
  g++-mingw-w64-x86-64 wine64 dpkg-dev
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
updated=no
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -q
  updated=yes
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# tinyxml2 for mingw: the same version as the Linux package, from Debian's
# own source package, compiled by the Windows build. Never committed.
dest="$root/build/_deps/tinyxml2"
if [ ! -f "$dest/tinyxml2.cpp" ]; then
  has_deb_src() {
    grep -Eqs '^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list ||
      grep -Eqs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources
  }
  if ! has_deb_src; then
    echo "setup: adding source entries beside the configured binary ones"
    for file in /etc/apt/sources.list.d/*.sources; do
      [ -f "$file" ] || continue
      sed -E 's/^Types:.*/Types: deb-src/' "$file" | $sudo tee "/etc/apt/sources.list.d/skyloom-src-$(basename "$file")" >/dev/null
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$file" ] || continue
      grep -E '^deb ' "$file" | sed -E 's/^deb /deb-src /' | $sudo tee -a /etc/apt/sources.list.d/skyloom-src.list >/dev/null || true
    done
    updated=no
  fi
  [ "$updated" = yes ] || $sudo apt-get update -q
  version=$(dpkg-query -W -f='${Version}' libtinyxml2-dev)
  work=$(mktemp -d)
  (cd "$work" && apt-get source -q --only-source "tinyxml2=$version")
  mkdir -p "$dest"
  cp "$work"/tinyxml2-*/tinyxml2.cpp "$work"/tinyxml2-*/tinyxml2.h "$dest/"
  rm -rf "$work"
  echo "setup: tinyxml2 $version sources in $dest"
fi
