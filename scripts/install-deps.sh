#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages. Safe to run again.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64
  wine wine64 xvfb xauth x11-utils xdotool fonts-wqy-microhei imagemagick googletest locales
  zip unzip python3
  osslsigncode softhsm2 libengine-pkcs11-openssl opensc gnupg openssl)

# A mirror caught mid-sync serves an index that does not match its release file, for a minute or
# more: try again for a couple of minutes, then say in one line what failed and what to do.
update_package_lists() {
  local try output
  for try in 1 2 3 4 5; do
    output=$(apt-get update -q 2>&1) && ! grep -q '^E: ' <<<"$output" && return 0
    [ "$try" = 5 ] || sleep 30
  done
  echo "$output" >&2
  echo "install-deps: apt-get update could not read the package index five times in two minutes" \
    "($(grep -m1 -o 'Failed to fetch [^ ]*' <<<"$output" || grep -m1 '^E: ' <<<"$output"));" \
    "the mirror may be mid-sync: run scripts/install-deps.sh again later" >&2
  return 1
}

missing=()
for p in "${packages[@]}" wine32:i386; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  [ "$(id -u)" = 0 ] || { echo "install as root: ${missing[*]}" >&2; exit 1; }
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  update_package_lists
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Where the kernel runs no 32-bit code, the shipped 32-bit program runs under qemu-user.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 || [ "${SVCMGR_FORCE_EMULATED_ROUTE:-${SVCMGR_EMULATE_I386:-0}}" = 1 ]; then
  if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q 'ok installed'; then
    [ "$(id -u)" = 0 ] || { echo "install as root: qemu-user-static" >&2; exit 1; }
    update_package_lists
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends qemu-user-static
  fi
fi

# Wine takes its ANSI code page (936) from the locale, which glibc must know.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
