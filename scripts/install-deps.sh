#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the demo and the
# screenshots need. Safe to run again: it only installs what is missing.
#
# PostgreSQL is there for the tests only, which start throwaway servers of
# their own (scripts/pg-cluster.sh). So that installing it never makes or
# starts a system-wide server, postgresql-common goes in first and is told
# not to create the 'main' cluster; a cluster that is already there is left
# alone, and a policy-rc.d that forbids starting services (as in containers)
# changes nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  sqlite3 libsqlite3-dev libicu-dev
  mdbtools-dev mdbtools
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick poppler-utils fonts-dejavu-core
  desktop-file-utils appstream man-db qt6-l10n-tools qt6ct shared-mime-info
  dpkg-dev debootstrap lintian
  postgresql-15 libqt6sql6-psql libpq-dev
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
install() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"
}
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq

createcluster=/etc/postgresql-common/createcluster.conf
if ! installed postgresql-15; then
  installed postgresql-common || install postgresql-common
  # Only the commented default is changed; a setting of the machine's own
  # stays as it is.
  if grep -qE '^#[[:space:]]*create_main_cluster[[:space:]]*=' "$createcluster"; then
    $sudo sed -i -E 's/^#[[:space:]]*create_main_cluster[[:space:]]*=.*/create_main_cluster = false/' "$createcluster"
  fi
fi
install "${missing[@]}"
