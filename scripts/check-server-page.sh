#!/usr/bin/env bash
# Runs the server set-up of docs/server.md against a throwaway PostgreSQL
# server: every ```sh block of the page, in the page's order, as it stands,
# then checks what the page promises: the clerks log in only with their
# passwords and only over TLS with the server's name checked, the history
# records who changed what and no clerk changes it, the report role only
# reads, varnel-roster takes the password from the PGPASSFILE, asks for it on
# a terminal without showing what is typed, and says 3029 without either.
#
#   scripts/check-server-page.sh BUILD      (BUILD holds varnel-roster)
#
# The page's commands are a Debian administrator's; here they run as root
# (exit 77, skipped, otherwise) with these stand-ins for what a test must
# leave alone, and nothing else changed:
#   - the server is a cluster of its own (scripts/pg-cluster.sh) in a
#     scratch folder, which stands for /etc/postgresql/15/main (its
#     pg_hba.conf, certificate and key) and whose socket PGHOST names;
#   - `sudo -u postgres` runs as the cluster's owner, `sudo` as root;
#   - `systemctl restart postgresql` restarts that cluster, listening on
#     127.0.0.1 and a free port instead of every address;
#   - rosterhost.example.mil is reached at 127.0.0.1 (libpq's hostaddr), on
#     that port; the name is still what the certificate is checked against;
#   - /var/backups/varnel is a scratch folder, `scp` a copy on this machine;
#   - the passwords are those the page gives, in a PGPASSFILE, as a script
#     keeps them; HOME is a scratch folder (the clerk's ~/.postgresql).
set -euo pipefail
build=$(cd "${1:?usage: check-server-page.sh BUILD}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
page="$here/../docs/server.md"
if [ "$(id -u)" -ne 0 ]; then
  echo "check-server-page: the page's commands need root (sudo, chown postgres); skipped"
  exit 77
fi

port=55431
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
dir=$(mktemp -d /tmp/varnel-page-XXXXXX)
export PGPORT_FOR_TESTS=$port
trap '"$here/pg-cluster.sh" stop "$dir" >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
eval "$("$here/pg-cluster.sh" start "$dir")"
export PGHOST PGPORT
unset PGUSER
bin=${PG_BINDIR:-$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)}
mkdir -p "$dir/home" "$dir/backups"
chown postgres "$dir/backups"

# The page's passwords, where libpq finds them.
grep -o "ROLE [a-z_]* LOGIN PASSWORD '[^']*'" "$page" \
  | sed -E "s/ROLE ([a-z_]*) LOGIN PASSWORD '([^']*)'/*:*:*:\1:\2/" > "$dir/pgpass"
chmod 600 "$dir/pgpass"
# A statement that fails fails its step, as the administrator would see it.
echo '\set ON_ERROR_STOP on' > "$dir/psqlrc"
chmod 644 "$dir/psqlrc"

# The ```sh blocks, with the stand-ins' places and addresses.
awk '/^```sh$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$page" \
  | sed -e "s|/etc/postgresql/15/main|$dir/data|g" -e "s|/var/backups/varnel|$dir/backups|g" \
        -e "s|rosterhost.example.mil/battalion?|rosterhost.example.mil:$port/battalion?hostaddr=127.0.0.1\&|g" \
  > "$dir/steps.sh"
[ "$(grep -c . "$dir/steps.sh")" -gt 20 ] || { echo "check-server-page: no set-up found in $page"; exit 1; }

cat > "$dir/stand-ins.sh" <<EOF
set -euo pipefail
export HOME="$dir/home" PGPASSFILE="$dir/pgpass" PSQLRC="$dir/psqlrc" PATH="$build:\$PATH"
sudo() {
  if [ "\$1" = -u ] && [ "\$2" = postgres ]; then shift 2; runuser -u postgres -- env PGHOST="\$PGHOST" PGPORT="\$PGPORT" PSQLRC="\$PSQLRC" "\$@"
  else "\$@"; fi
}
systemctl() {
  [ "\$*" = "restart postgresql" ] || { echo "systemctl \$*: not a step this check knows" >&2; return 1; }
  runuser -u postgres -- "$bin/pg_ctl" --pgdata="$dir/data" --log="$dir/server.log" --wait --silent restart \
    -o "-c listen_addresses=127.0.0.1 -c unix_socket_directories='$dir' -c port=$port -c fsync=off"
}
scp() { cp "\${1#*:}" "\$2"; }
set -x
EOF
echo "== the page's set-up"
bash -c "source '$dir/stand-ins.sh'; source '$dir/steps.sh'" || { echo "FAILED: a step of the page"; exit 1; }

echo "== what the page promises"
export HOME="$dir/home" PGPASSFILE="$dir/pgpass"
alice="postgresql://alice@rosterhost.example.mil:$port/battalion?hostaddr=127.0.0.1&sslmode=verify-full"
reports=${alice/alice@/reports@}
failed=0
expect() { # WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: expected [$2], got [$3]"; failed=1; fi
}
q() { psql -X -q -At -v ON_ERROR_STOP=1 -d "$1" -c "$2" 2>&1; }
# "refused" when `q` fails saying $3; else what it said.
refused() { local out; if out=$(q "$1" "$2"); then echo "accepted: $out"; elif grep -q "$3" <<< "$out"; then echo refused; else echo "$out"; fi; }
expect "a clerk's connection is TLS" "t" "$(q "$alice" 'SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()')"
expect "no login without TLS" "refused" "$(refused "${alice/verify-full/disable}" 'SELECT 1' 'rejects connection')"
expect "the server's name is checked" "refused" "$(refused "${alice/rosterhost.example.mil/localhost}" 'SELECT 1' 'does not match')"
q "$alice" "INSERT INTO \"Soldier\" (\"Name\") VALUES ('ADAMS')" > /dev/null
expect "the history names the clerk" "alice|INSERT" "$(q "$alice" 'SELECT "Role", "Action" FROM "SoldierHistory"')"
expect "a clerk cannot change the history" "refused" "$(refused "$alice" 'DELETE FROM "SoldierHistory"' 'permission denied\|may not delete')"
expect "the report role reads" "1" "$(q "$reports" 'SELECT count(*) FROM "Soldier"')"
expect "the report role does not write" "refused" \
  "$(refused "$reports" "UPDATE \"Soldier\" SET \"Rank\" = 'PV1'" 'permission denied')"
expect "varnel-roster takes the password libpq finds" "Totalled 0 of 1 soldiers; 1 refused." \
  "$("$build/varnel-roster" total "$alice" < /dev/null 2>&1 | head -n 1)"
# On a terminal (script(1) gives it one) varnel-roster asks, the echo off before the question shows.
coproc tool { PGPASSFILE=/dev/null script -qec "'$build/varnel-roster' total '$alice'" /dev/null; }
asked=""
while [[ $asked != *"Password of the role \"alice\""* ]] && IFS= read -r -t 30 -N 1 c <&"${tool[0]}"; do asked+=$c; done
echo "alice-first-password" >&"${tool[1]}"
typed=$(cat <&"${tool[0]}")
expect "on a terminal it asks and shows nothing typed" "asked, unshown: Totalled 0 of 1 soldiers; 1 refused." \
  "$([[ $asked == *Password* && $typed != *alice-first* ]] && echo "asked, unshown: $(grep -o 'Totalled.*refused.' <<< "$typed")")"
expect "without one, 3029 names the role" "error 3029: The server asks for the password of the role \"alice\"" \
  "$(PGPASSFILE=/dev/null "$build/varnel-roster" total "$alice" < /dev/null 2>&1 | grep -o 'error 3029: [^"]*"alice"')"
exit $failed
