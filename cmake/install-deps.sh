#!/usr/bin/env bash
# Installs, as root on Debian 12, whatever the build, the tests and the bench still lack.
set -euo pipefail
packages=(
    cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev clang libclang-rt-dev
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix mingw-w64-tools
    wine wine64 xvfb xauth xdotool imagemagick x11-apps fonts-wqy-microhei zip locales
    osslsigncode openssl qemu-user-static debootstrap
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# A test runs the program under code page 936, which Wine takes from this locale.
locale=()
locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || locale=(zh_CN.UTF-8)
[ ${#missing[@]} -eq 0 ] && [ ${#locale[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]} ${locale[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "These are missing and installing them needs root: ${missing[*]} ${locale[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -ne 0 ]; then
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ${#locale[@]} -ne 0 ]; then
    localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
