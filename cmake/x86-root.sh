#!/usr/bin/env bash
# A Debian 12 root with 32-bit Wine, for running the i686 Pelvaro.exe. The machine's own Wine
# stays 64-bit only (wine32 there makes /usr/bin/wine pick the i386 loader); the root's launchers
# prefer wine64, which starts 32-bit programs through the i386 loader by itself.
#
#   x86-root.sh make        makes the root once (reused while its marker exists); prints its path
#   x86-root.sh run CMD...  runs CMD inside the root, in a mount namespace of its own, with /proc,
#                           /dev, /sys, /tmp/.X11-unix, the machine's locales and the checkout bound
#                           at their own paths; says on standard error how 32-bit programs run
#
# 32-bit programs run natively: a run starts in a user namespace with a binfmt_misc of its own
# (kernel 6.7 or later), which no machine-wide rule reaches, such as one handing every i386
# program to qemu-i386-static. Where that fails (no user namespaces, an older kernel, no 32-bit
# mode), or with PELVARO_X86_FORCE_EMULATION=1, they run under qemu-i386-static, whose rule is then
# registered machine-wide, and CMD sees PELVARO_X86_EMULATED=1.
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
    [ -x /usr/bin/qemu-i386-static ] ||
        { echo "x86-root: qemu-user-static is missing (cmake/install-deps.sh)" >&2; exit 1; }
    [ -e $dir/register ] || mount -t binfmt_misc binfmt_misc $dir
    grep -qs '^interpreter /usr/bin/qemu-i386-static' $dir/* && return 0
    # F: the kernel opens the interpreter now, so it works inside a changed root too.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' >$dir/register
}

# The root's i386 loader is a static 32-bit program: its machine is x86_64 when it runs natively
# and i686 under qemu.
runs_natively() {
    [ -z "${PELVARO_X86_FORCE_EMULATION:-}" ] && [ -x "$root/lib/ld-linux.so.2" ] || return 1
    in_root native /lib/ld-linux.so.2 --list-diagnostics 2>/dev/null |
        grep -x 'uname.machine="x86_64"' >/dev/null
}

# Making the root needs no 32-bit program: the two that its packages start (glib's caches) may fail.
make_root() {
    command -v debootstrap >/dev/null ||
        { echo "x86-root: debootstrap is missing (cmake/install-deps.sh)" >&2; exit 1; }
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
    # As the machine's root: the packages give files to users and groups that a user namespace
    # mapping root alone does not know.
    in_root making sh -ec '
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

# in_root native|emulated|making CMD...: runs CMD chrooted, in a private mount namespace holding
# the binds; natively in a user namespace with a binfmt_misc of its own.
in_root() {
    local how=$1 ns=(--mount --propagation private)
    shift
    [ "$how" != native ] || ns=(--user --map-root-user --mount)
    unshare "${ns[@]}" /bin/sh -ec '
        how=$1 root=$2 checkout=$3; shift 3
        [ "$how" != native ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
        mount --rbind /proc "$root/proc"
        mount --rbind /dev "$root/dev"
        mount --rbind /sys "$root/sys"
        if [ -d /tmp/.X11-unix ]; then
            mkdir -p "$root/tmp/.X11-unix"
            mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
        fi
        mkdir -p "$root$checkout"
        mount --bind "$checkout" "$root$checkout"
        # The locales of the machine, the Chinese one of cmake/install-deps.sh among them; not while
        # packages that may write there are installed.
        [ "$how" = making ] || mount --bind -o ro /usr/lib/locale "$root/usr/lib/locale"
        exec chroot "$root" "$@"' sh "$how" "$root" "$checkout" "$@"
}

case ${1:-} in
make)
    make_root
    echo "$root"
    ;;
run)
    shift
    [ "$(cat "$marker" 2>/dev/null)" = "$version" ] || make_root
    how=native emulated=
    if runs_natively; then
        echo "x86-root: 32-bit programs run natively (a user namespace with its own binfmt_misc)" >&2
    else
        echo "x86-root: 32-bit programs run under qemu-i386-static (emulated)" >&2
        register_qemu
        how=emulated emulated=1
    fi
    in_root $how /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        ${DISPLAY:+DISPLAY=$DISPLAY} ${XAUTHORITY:+XAUTHORITY=$XAUTHORITY} \
        ${WINEPREFIX:+WINEPREFIX=$WINEPREFIX} ${emulated:+PELVARO_X86_EMULATED=1} "$@"
    ;;
*)
    echo "usage: $0 make | run COMMAND..." >&2
    exit 2
    ;;
esac
