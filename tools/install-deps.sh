#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, as root; does nothing
# when everything is there already.
set -eu

need=()
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
for pkg in cmake make python3 g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest \
           wine wine32:i386 wine64 xvfb xauth imagemagick openssl osslsigncode clang-format; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || need+=("$pkg")
done
if [ -z "${need_i386:-}" ] && [ ${#need[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" != 0 ]; then
    echo "install-deps: missing ${need[*]} ${need_i386:+(and the i386 architecture)}; run as root" >&2
    exit 1
fi
[ -n "${need_i386:-}" ] && dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
