#!/usr/bin/env bash
# Installs what the build, the game and the tests need on a Debian machine.
# Idempotent: does nothing when everything is present.
set -euo pipefail

packages=(
  cmake ninja-build googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine64 wine32:i386 xvfb xdotool imagemagick sox sndfile-programs x11-utils
  clang libclang-rt-14-dev
  python3 python3-pil fonts-dejavu-core
  libstb-dev
  llvm lld
)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# The i686 build runs under Wine's 32-bit loader, which comes with the i386 packages.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture" >&2
  $sudo dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
