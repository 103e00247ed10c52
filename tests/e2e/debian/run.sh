#!/usr/bin/env bash
# Installs the Debian package on a clean Debian 12 root and checks the
# installed program there, as a new user of the package would meet it.
#
# Usage (as root): tests/e2e/debian/run.sh build/vorlith_1.0.3_amd64.deb [work folder]
#                  tests/e2e/debian/run.sh build/vorlith-server_1.0.3_amd64.deb [work folder]
# (the server's package is checked by server.sh, the game's by inside.sh)
#
# The work folder (default /var/tmp/vorlith-debian) keeps a pristine minimal
# root made once by debootstrap (base.tar); each run unpacks a fresh copy,
# works in it inside a mount namespace of its own and removes it at the end.
set -euo pipefail
deb=$(realpath "$1")
work=$(realpath -m "${2:-/var/tmp/vorlith-debian}")
here=$(dirname "$(realpath "$0")")
[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap, chroot, mounts)"; exit 2; }
command -v debootstrap >/dev/null || { echo "debootstrap is missing: VORLITH_E2E=1 tools/deps.sh"; exit 2; }

mkdir -p "$work"
if [ ! -f "$work/base.tar" ]; then
    rm -rf "$work/base"
    debootstrap --variant=minbase bookworm "$work/base" http://deb.debian.org/debian
    tar -C "$work/base" -cf "$work/base.tar" .
    rm -rf "$work/base"
fi
root="$work/root"
rm -rf "$root"
mkdir -p "$root"
tar -C "$root" -xf "$work/base.tar"
trap 'rm -rf "$root"' EXIT
cp "$deb" "$root/tmp/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root/opt/e2e"
cp -r "$here/../desktop" "$here/../lib" "$here/common.sh" "$here/inside.sh" "$here/server.sh" "$root/opt/e2e/"
inside=inside.sh
case $(basename "$deb") in vorlith-server_*) inside=server.sh ;; esac

unshare --mount --propagation private -- bash -s "$root" "$(basename "$deb")" "$inside" <<'INNER'
set -euo pipefail
root=$1 deb=$2 inside=$3
mount --rbind /dev "$root/dev"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount -t tmpfs tmpfs "$root/run"
chroot "$root" /bin/bash "/opt/e2e/$inside" "/tmp/$deb"
INNER
