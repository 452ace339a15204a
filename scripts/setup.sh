#!/bin/sh
# Installs what the build and the tests need on Debian 12; does nothing when all is there.
set -e
PKGS="cmake make g++ binutils file clang libclang-rt-14-dev python3 python3-pil
 g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 mingw-w64-tools
 wine64 xvfb xauth xdotool xcompmgr imagemagick locales fonts-wqy-zenhei fonts-wqy-microhei googletest openssl xxd"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
if [ -n "$missing" ]; then
    echo "installing:$missing"
    # An index that cannot be fetched (a mirror mid-sync, a foreign architecture's list) fails the
    # update while the packages may still install from the others: only the install decides.
    updated=$(mktemp)
    if ! $SUDO apt-get update -qq >"$updated" 2>&1; then
        echo "apt-get update could not fetch every index; installing from the others:"
    fi
    sed 's/^/  /' "$updated"
    if ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null; then
        echo "setup.sh: could not install:$missing (apt-get's messages above)" >&2
        rm -f "$updated"
        exit 1
    fi
    rm -f "$updated"
fi
# Wine reports code page 936 only under a generated Chinese locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    if ! locale -a 2>/dev/null | grep -qi '^en_US.utf8$'; then
        $SUDO sed -i 's/^# *en_US.UTF-8 UTF-8/en_US.UTF-8 UTF-8/' /etc/locale.gen
    fi
    $SUDO locale-gen >/dev/null
fi
