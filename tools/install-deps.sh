#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, as root; does nothing
# when everything is there already. Where this machine does not start 32-bit
# programs (or with ZU_TEST_MACHINE=vm), also what the emulated machine of
# tests/harness/vm-run needs: QEMU, busybox and Debian's kernel, unpacked.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
base_packages=(cmake make python3 g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest
               wine wine32:i386 wine64 xvfb xauth imagemagick openssl osslsigncode clang-format)
vm_packages=(qemu-system-x86 busybox-static)
kernel_dir=${ZU_VM_CACHE:-/var/cache/zu-vm}/kernel
export DEBIAN_FRONTEND=noninteractive

missing() {
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            echo "$pkg"
    done
}
need_root() {
    [ "$(id -u)" = 0 ] && return 0
    echo "install-deps: missing $*; run as root" >&2
    exit 1
}
# A mirror in the middle of a sync can serve one index out of step with the
# others: a failed update is not fatal, and an install that cannot be resolved
# against the mix is tried again with the release's own suite first.
updated=
update_once() {
    [ -n "$updated" ] && return 0
    updated=1
    apt-get update -qq || echo "install-deps: apt-get update failed for an index; going on" >&2
}
install() {
    [ $# -gt 0 ] || return 0
    need_root "$@"
    update_once
    echo "install-deps: installing $*"
    apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return 0
    local suite
    suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$suite" ] || return 1
    echo "install-deps: trying again with the suite $suite first" >&2
    apt-get install -y -qq --no-install-recommends -t "$suite" "$@" >/dev/null
}
# Debian's own kernel for the emulated machine, unpacked, never installed.
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ { print $2; exit }'
}
unpack_kernel() {
    local pkg
    pkg=$(kernel_package)
    if [ -z "$pkg" ] && [ "$(id -u)" = 0 ]; then
        update_once
        pkg=$(kernel_package)
    fi
    [ -n "$pkg" ] || { echo "install-deps: no linux-image-amd64 in the package lists" >&2; exit 1; }
    [ -f "$kernel_dir/.ready" ] && [ "$(cat "$kernel_dir/.ready")" = "$pkg" ] && return 0
    need_root "$pkg (unpacked into $kernel_dir)"
    echo "install-deps: unpacking $pkg into $kernel_dir"
    rm -rf "$kernel_dir" && mkdir -p "$kernel_dir"
    (cd "$kernel_dir" && apt-get download "$pkg" >/dev/null && dpkg-deb -x ./*.deb . && rm -f ./*.deb)
    echo "$pkg" >"$kernel_dir/.ready"
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    need_root "the i386 architecture"
    dpkg --add-architecture i386
fi
mapfile -t need < <(missing "${base_packages[@]}")
install "${need[@]}"

case ${ZU_TEST_MACHINE:-auto} in
host) exit 0 ;;
vm) ;;
*) "$root/tests/harness/probe-32bit.sh" >/dev/null && exit 0 ;;
esac
mapfile -t need < <(missing "${vm_packages[@]}")
install "${need[@]}"
unpack_kernel
