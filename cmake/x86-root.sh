#!/usr/bin/env bash
# A Debian 12 root with 32-bit Wine, for running the i686 Pelvaro.exe on a machine whose CPU gives
# no 32-bit mode: qemu-i386-static emulates every 32-bit program (binfmt_misc), while the root's
# launchers prefer wine64 so that the prefix, the x64 test programs and the stand-ins run natively.
# The machine's own Wine stays 64-bit only (wine32 there makes /usr/bin/wine pick the i386 loader).
#
#   x86-root.sh make        makes the root once (reused while its marker exists); prints its path
#   x86-root.sh run CMD...  runs CMD inside the root, in a mount namespace of its own, with /proc,
#                           /dev, /sys, /tmp/.X11-unix and the checkout bound at their own paths
#
# The root lives outside the checkout (PELVARO_X86_ROOT, default /var/cache/pelvaro-x86-root), so
# other clones and CI on the same machine share it. The binds exist only in the namespace of one
# run: they vanish with its last process, also when the run is interrupted or killed.
set -euo pipefail
root=${PELVARO_X86_ROOT:-/var/cache/pelvaro-x86-root}
checkout=$(cd "$(dirname "$0")/.." && pwd)
# Bump when the packages or the launcher edit change, so that old roots are made again.
marker=$root/.pelvaro-root-complete
version=1

mirror() {
    # The Debian archive the machine's own sources name (deb822 or one-line form).
    sed -n -e 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' -e 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]*\).*/\2/p' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null |
        grep -E '/debian/?$' | head -n 1
}

register_qemu() {
    local dir=/proc/sys/fs/binfmt_misc
    [ -e $dir/register ] || mount -t binfmt_misc binfmt_misc $dir
    grep -qs '^interpreter /usr/bin/qemu-i386-static' $dir/* && return 0
    # F: the kernel opens the interpreter now, so it works inside a changed root too.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' >$dir/register
}

make_root() {
    command -v debootstrap >/dev/null && [ -x /usr/bin/qemu-i386-static ] ||
        { echo "x86-root: debootstrap and qemu-user-static are missing (cmake/install-deps.sh)" >&2; exit 1; }
    register_qemu
    mkdir -p "$(dirname "$root")"
    exec 8>"$root.lock"
    flock 8
    [ "$(cat "$marker" 2>/dev/null)" = "$version" ] && return 0
    local url
    url=$(mirror) || true
    [ -n "$url" ] || { echo "x86-root: no Debian archive in /etc/apt/sources*" >&2; exit 1; }
    echo "x86-root: making $root from $url (once; a few minutes)"
    # A half-made root: nothing is mounted in it (binds live in private namespaces), start over.
    rm -rf --one-file-system "$root"
    debootstrap --variant=minbase bookworm "$root" "$url" >"$root.log" 2>&1 ||
        { tail -n 20 "$root.log" >&2; exit 1; }
    printf 'deb %s bookworm main\ndeb %s bookworm-updates main\n' "$url" "$url" >"$root/etc/apt/sources.list"
    in_root sh -ec '
        export DEBIAN_FRONTEND=noninteractive
        dpkg --add-architecture i386
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends wine wine32 wine64 fonts-wqy-microhei
        apt-get clean' >>"$root.log" 2>&1 || { tail -n 20 "$root.log" >&2; exit 1; }
    # With wine32 installed the launchers pick the i386 loader; in this root they take wine64, which
    # starts 32-bit programs through the i386 loader by itself.
    local f
    for f in "$root/usr/bin/wine" "$root/usr/bin/wine-stable"; do
        printf '#!/bin/sh\nexport WINELOADER="${WINELOADER:-/usr/lib/wine/wine64}"\nexec /usr/lib/wine/wine64 "$@"\n' >"$f"
    done
    echo "$version" >"$marker"
}

# Runs "$@" chrooted, in a private mount namespace holding the binds.
in_root() {
    unshare --mount --propagation private /bin/sh -ec '
        root=$1 checkout=$2; shift 2
        mount --rbind /proc "$root/proc"
        mount --rbind /dev "$root/dev"
        mount --rbind /sys "$root/sys"
        if [ -d /tmp/.X11-unix ]; then
            mkdir -p "$root/tmp/.X11-unix"
            mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
        fi
        mkdir -p "$root$checkout"
        mount --bind "$checkout" "$root$checkout"
        exec chroot "$root" "$@"' sh "$root" "$checkout" "$@"
}

case ${1:-} in
make)
    make_root
    echo "$root"
    ;;
run)
    shift
    [ "$(cat "$marker" 2>/dev/null)" = "$version" ] || make_root
    register_qemu
    in_root /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        ${DISPLAY:+DISPLAY=$DISPLAY} ${XAUTHORITY:+XAUTHORITY=$XAUTHORITY} \
        ${WINEPREFIX:+WINEPREFIX=$WINEPREFIX} "$@"
    ;;
*)
    echo "usage: $0 make | run COMMAND..." >&2
    exit 2
    ;;
esac
