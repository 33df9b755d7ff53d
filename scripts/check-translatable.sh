#!/usr/bin/env bash
# Checks that the messages of the modules outside ui/ are marked for
# translation: no sentence is left in a bare QStringLiteral, and lupdate
# finds the messages of every module. No translation ships; this keeps the
# sources ready for one.
# Usage: check-translatable.sh SOURCE_DIR LUPDATE
set -euo pipefail

src=${1:?usage: check-translatable.sh SOURCE_DIR LUPDATE}
lupdate=${2:?usage: check-translatable.sh SOURCE_DIR LUPDATE}
dirs=(app common store points reports tools)
cd "$src"

# A sentence: a capital, a lower-case word, a blank or comma, more text.
# SQL statements and font names are not messages.
files=()
for dir in "${dirs[@]}"; do files+=("$dir"/*.cpp "$dir"/*.h); done
unmarked=$(grep -nE 'QStringLiteral\("[A-Z][a-z]+[ ,][^"]*' "${files[@]}" 2> /dev/null \
  | grep -vE 'QStringLiteral\("(SELECT|PRAGMA|INSERT|UPDATE|DELETE|CREATE|BEGIN|COMMIT|ROLLBACK|WITH|DejaVu Sans)' || true)
if [ -n "$unmarked" ]; then
  echo "Messages not marked for translation (use QCoreApplication::translate or tr):"
  echo "$unmarked"
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$lupdate" -silent -no-obsolete -locations none "${dirs[@]}" -ts "$work/varnel.ts" > "$work/lupdate.log" 2>&1 \
  || { cat "$work/lupdate.log"; exit 1; }
# One message of each module's kinds, as lupdate sees it.
missing=0
for message in \
  "No current record." \
  "No APFT points added" \
  "Entry for PEBD is not valid" \
  "The report layout file %1 was found in none of the places it was looked for: %2." \
  "create takes one FILE." \
  "Try &quot;varnel --help&quot; for the ways to start %1."; do
  grep -qF "<source>$message</source>" "$work/varnel.ts" || { echo "lupdate does not find: $message"; missing=1; }
done
count=$(grep -c '<source>' "$work/varnel.ts")
echo "lupdate finds $count messages outside ui/"
[ "$missing" -eq 0 ] && [ "$count" -ge 150 ]
