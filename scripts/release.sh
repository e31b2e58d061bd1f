#!/usr/bin/env bash
# Builds the Quarvel.exe a user downloads: a Release build without the tests, stripped, into
# dist/Quarvel.exe with dist/Quarvel.exe.sha256, and prints its size.
#
#   bash scripts/release.sh [QUARVEL_SEARCH_HOST=host[:port] ...]
#
# The hosts the program talks to (QUARVEL_SEARCH_HOST, QUARVEL_PRODUCT_HOST,
# QUARVEL_UPDATE_HOST, QUARVEL_CLOUDPLAY_HOST) come from NAME=value arguments or the
# environment; one not given takes the build's default, the reference site on
# 127.0.0.1:8618. RELEASE_BUILD_DIR (default build-release) is the build tree, DIST_DIR
# (default dist) where the exe goes; relative paths are taken from the repository root.
#
# Signing: with QUARVEL_SIGN_PFX (the publisher's code-signing certificate and key, PKCS#12) in
# the environment the exe is signed with Authenticode (SHA-256), its password taken from
# QUARVEL_SIGN_PASSWORD; QUARVEL_SIGN_TIMESTAMP_URL, when given, is an RFC 3161 timestamp
# server whose countersignature keeps the signature valid after the certificate expires.
# Without a certificate the exe is left unsigned.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

hosts=(QUARVEL_SEARCH_HOST QUARVEL_PRODUCT_HOST QUARVEL_UPDATE_HOST QUARVEL_CLOUDPLAY_HOST)
for arg in "$@"; do
  name=${arg%%=*}
  [[ "$arg" == *=* && " ${hosts[*]} " == *" $name "* ]] || die "release: unknown argument '$arg' (expected one of ${hosts[*]} as NAME=value)"
  printf -v "$name" '%s' "${arg#*=}"
done

absolute() { case "$1" in /*) echo "$1" ;; *) echo "$QUARVEL_ROOT/$1" ;; esac; }
release_dir=$(absolute "${RELEASE_BUILD_DIR:-build-release}")
dist_dir=$(absolute "${DIST_DIR:-dist}")

bash "$QUARVEL_ROOT/scripts/setup.sh" >/dev/null

# Every host is set or reset on each run, so a tree configured earlier keeps no stale host.
host_args=()
for name in "${hosts[@]}"; do
  if [ -n "${!name:-}" ]; then host_args+=("-D$name=${!name}"); else host_args+=("-U$name"); fi
done
cmake -S "$QUARVEL_ROOT" -B "$release_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QUARVEL_ROOT/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQUARVEL_TESTS=OFF "${host_args[@]}" >/dev/null || die "release: configure failed"
cmake --build "$release_dir" --target Quarvel -- -j"${JOBS:-2}" >/dev/null || die "release: build failed"

mkdir -p "$dist_dir"
# strip rewrites the PE header and would stamp it with the current time; with
# SOURCE_DATE_EPOCH=0 it keeps the zero the linker wrote, so the bytes depend on the commit only.
SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip -o "$dist_dir/Quarvel.exe" "$release_dir/Quarvel.exe"
signed_by=
if [ -n "${QUARVEL_SIGN_PFX:-}" ]; then
  pfx=$(absolute "$QUARVEL_SIGN_PFX")
  [ -r "$pfx" ] || die "release: QUARVEL_SIGN_PFX '$pfx' cannot be read"
  timestamp=()
  [ -z "${QUARVEL_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$QUARVEL_SIGN_TIMESTAMP_URL")
  # The password goes through a pipe, not the command line other users can read.
  rm -f "$dist_dir/Quarvel.signed.exe"
  osslsigncode sign -pkcs12 "$pfx" -readpass <(printf '%s' "${QUARVEL_SIGN_PASSWORD:-}") -h sha256 -n Quarvel \
    "${timestamp[@]}" -in "$dist_dir/Quarvel.exe" -out "$dist_dir/Quarvel.signed.exe" >"$release_dir/sign.log" 2>&1 \
    || { rm -f "$dist_dir/Quarvel.exe" "$dist_dir/Quarvel.signed.exe" "$dist_dir/Quarvel.exe.sha256"
         die "release: signing failed: $(tail -n 3 "$release_dir/sign.log" | tr '\n' ' ')"; }
  mv "$dist_dir/Quarvel.signed.exe" "$dist_dir/Quarvel.exe"
  signed_by=$(openssl pkcs12 -in "$pfx" -passin file:<(printf '%s\n' "${QUARVEL_SIGN_PASSWORD:-}") -nokeys -clcerts 2>/dev/null \
    | openssl x509 -noout -subject -nameopt oneline 2>/dev/null | sed 's/^subject= *//') || true
fi
(cd "$dist_dir" && sha256sum Quarvel.exe > Quarvel.exe.sha256)

for name in "${hosts[@]}"; do
  echo "release: $name=$(sed -n "s/^$name:STRING=//p" "$release_dir/CMakeCache.txt")"
done
echo "release: $dist_dir/Quarvel.exe $(stat -c %s "$dist_dir/Quarvel.exe") bytes"
echo "release: sha256 $(cut -d' ' -f1 "$dist_dir/Quarvel.exe.sha256")"
if [ -n "${QUARVEL_SIGN_PFX:-}" ]; then
  echo "release: signed by ${signed_by:-the certificate in $QUARVEL_SIGN_PFX}${QUARVEL_SIGN_TIMESTAMP_URL:+, timestamped by $QUARVEL_SIGN_TIMESTAMP_URL}"
else
  echo "release: unsigned (no QUARVEL_SIGN_PFX)"
fi
