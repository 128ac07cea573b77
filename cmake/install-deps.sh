#!/usr/bin/env bash
# Installs, as root on Debian 12, the packages that a command needs and the machine still lacks.
#
#   cmake/install-deps.sh run   what ./run needs: the x64 build of Pelvaro.exe and Wine to run it
#   cmake/install-deps.sh       what every command needs: also the native, fuzz and i686 builds,
#                               the tests with their x86 layer, ./release and bench/run
set -euo pipefail
case "${1:-}" in
"" | run) ;;
*)
    echo "usage: cmake/install-deps.sh [run]" >&2
    exit 2
    ;;
esac
# ./run: the x64 build (with GoogleTest's sources, which it configures), Wine with its own fonts,
# a virtual display and screenshots.
packages=(
    cmake ninja-build googletest
    g++-mingw-w64-x86-64-posix
    wine wine64 fonts-wine fonts-wqy-microhei
    xvfb xauth imagemagick
)
if [ "${1:-}" != run ]; then
    packages+=(
        g++ libgtest-dev libbenchmark-dev clang libclang-rt-dev
        g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix
        mingw-w64-tools xdotool x11-apps locales
        zip osslsigncode openssl
        qemu-user-static debootstrap
    )
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# A test runs the program under code page 936, which Wine takes from this locale.
locale=()
if [ "${1:-}" != run ]; then
    locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || locale=(zh_CN.UTF-8)
fi
[ ${#missing[@]} -eq 0 ] && [ ${#locale[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "Missing, and installing needs root: ${missing[*]} ${locale[*]}" >&2
    echo "Install them with: sudo $0${1:+ $1}   (then run the command again)" >&2
    exit 1
fi
echo "Installing (a few minutes on a fresh machine): ${missing[*]} ${locale[*]}"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -ne 0 ]; then
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ${#locale[@]} -ne 0 ]; then
    localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
