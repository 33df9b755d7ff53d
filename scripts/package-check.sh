#!/usr/bin/env bash
# `make package-check`: builds the .deb with CPack and proves that it installs
# with apt-get on a fresh Debian 12 and runs from there: in a clean root made
# with debootstrap (kept under /var/cache/varnel-package-check for later
# runs, copied afresh for each check), where `apt-get install ./varnel_*.deb`
# brings in every dependency and scripts/installed-smoke.sh runs against
# /usr. Without root or debootstrap, or when the clean root cannot be made,
# it says so and installs into a scratch prefix instead, running the same
# checks from there. Either way lintian must find no error in the package
# (in the clean root when there is one, else on this machine).
# Only the programs the package holds are built.
# Usage: scripts/package-check.sh BUILD_DIR [--scratch-prefix]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: package-check.sh BUILD_DIR [--scratch-prefix]}" && pwd)
mode=${2:-}
cache=/var/cache/varnel-package-check
base="$cache/bookworm-base"

cmake --build "$build" --target varnel varnel-roster varnel-access-reader
rm -rf "$build/package"
mkdir -p "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" > "$build/package/cpack.log" 2>&1) \
  || { cat "$build/package/cpack.log"; exit 1; }
deb=$(ls "$build"/package/varnel_*.deb)
echo "package-check: built $(basename "$deb") ($(du -h "$deb" | cut -f1))"
dpkg-deb --field "$deb" Depends | sed 's/^/package-check: Depends: /'

# lintian: errors fail the check, warnings are shown. Run as root it wants
# to be told that is meant.
run_lintian() { # [chroot root]
  local as_root=""
  [ "$(id -u)" -eq 0 ] && as_root="--allow-root"
  echo "package-check: lintian $(basename "$deb")"
  if [ $# -gt 0 ]; then
    chroot "$1" sh -c "DEBIAN_FRONTEND=noninteractive apt-get install -y -qq lintian > /dev/null 2>&1 && lintian $as_root --fail-on error --tag-display-limit 0 /tmp/$(basename "$deb")"
  else
    lintian $as_root --fail-on error --tag-display-limit 0 "$deb"
  fi
}

scratch_prefix() {
  local prefix
  prefix=$(mktemp -d)
  echo "package-check: installing into the scratch prefix $prefix"
  cmake --install "$build" --prefix "$prefix" > /dev/null
  "$root/scripts/installed-smoke.sh" "$prefix"
  local status=$?
  rm -rf "$prefix"
  return $status
}

# The mirror this machine's apt uses, so the clean root reaches the same one.
debian_mirror() {
  local uri
  uri=$(grep -h -m1 '^URIs:' /etc/apt/sources.list.d/*.sources 2> /dev/null | awk '{print $2}' | grep -v security | head -n1 || true)
  [ -n "$uri" ] || uri=$(grep -h -m1 '^deb ' /etc/apt/sources.list 2> /dev/null | awk '{print $2}' | head -n1 || true)
  echo "$uri"
}

clean_root_possible() {
  [ "$(id -u)" -eq 0 ] && command -v debootstrap > /dev/null && command -v chroot > /dev/null
}

make_base() {
  [ -x "$base/usr/bin/apt-get" ] && return 0
  local mirror
  mirror=$(debian_mirror)
  [ -n "$mirror" ] || { echo "package-check: no Debian mirror found in apt's sources"; return 1; }
  echo "package-check: making a clean Debian 12 root with debootstrap (once; kept in $base)"
  rm -rf "$base.partial"
  mkdir -p "$cache"
  debootstrap --variant=minbase bookworm "$base.partial" "$mirror" > "$cache/debootstrap.log" 2>&1 \
    || { tail -n 20 "$cache/debootstrap.log"; return 1; }
  mv "$base.partial" "$base"
}

target=""
cleanup_root() {
  [ -n "$target" ] || return 0
  for m in proc dev; do umount "$target/$m" 2> /dev/null || true; done
  rm -rf --one-file-system "$target"
}
trap cleanup_root EXIT

chroot_check() {
  target=$(mktemp -d /var/tmp/varnel-root.XXXXXX)
  cp -a "$base/." "$target/"
  mount --bind /dev "$target/dev"
  mount -t proc proc "$target/proc"
  cp /etc/resolv.conf "$target/etc/resolv.conf" 2> /dev/null || true
  cp "$deb" "$target/tmp/"
  cp "$root/scripts/installed-smoke.sh" "$target/tmp/"
  echo "package-check: apt-get install ./$(basename "$deb") in the clean root"
  chroot "$target" sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./tmp/$(basename "$deb")" \
    > "$build/package/apt.log" 2>&1 || { tail -n 30 "$build/package/apt.log"; return 1; }
  echo "package-check: $(grep -c '^Setting up' "$build/package/apt.log") packages set up"
  chroot "$target" env -i HOME=/root PATH=/usr/bin:/bin LANG=C.UTF-8 bash /tmp/installed-smoke.sh /usr
  run_lintian "$target"
}

if [ "$mode" != "--scratch-prefix" ] && clean_root_possible && make_base; then
  chroot_check
else
  echo "package-check: no clean root can be made here (needs root, debootstrap and the Debian mirror)"
  scratch_prefix
  run_lintian
fi
