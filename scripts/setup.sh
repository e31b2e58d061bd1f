#!/usr/bin/env bash
# Installs everything the build, the tests and the run command need (Debian 12, as root).
# Safe to run again: it only installs what is missing.
set -euo pipefail

pkgs=(g++-mingw-w64-i686-posix wine wine32:i386 xvfb xdotool x11-utils xclip imagemagick
      fonts-wqy-zenhei cmake ninja-build googletest python3 python3-pefile locales procps iproute2
      util-linux mount osslsigncode openssl)

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then sudo "$@"; else echo "setup: must run as root" >&2; exit 1; fi
  else "$@"; fi
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  need_root dpkg --add-architecture i386
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  need_root apt-get update -qq
  need_root apt-get install -y -qq --no-install-recommends "${pkgs[@]}" >/dev/null
fi

# Wine takes its ANSI code page from the locale it starts in: zh_CN.UTF-8 gives GBK (936), the
# program's own code page; en_US.UTF-8 gives 1252, a Western system the tests run on too.
missing_locales=()
for loc in zh_CN en_US; do
  locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8\$" || missing_locales+=("$loc")
done
if [ ${#missing_locales[@]} -gt 0 ]; then
  for loc in "${missing_locales[@]}"; do
    need_root sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" | need_root tee -a /etc/locale.gen >/dev/null
  done
  need_root locale-gen >/dev/null
fi
echo "setup: ready"
