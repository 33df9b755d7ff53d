#!/usr/bin/env bash
# A plain roster for the start-up benchmarks: N soldiers in the Soldier
# table of docs/soldier-table.sql, written by the sqlite3 shell alone, with
# no index on Name (--indexed: with the one `varnel-roster create` makes).
# Both the window and the plain Qt grid open the same file, which neither
# program has written. Names are "LAST, FIRST I" from short lists, one in a
# hundred in mixed case or with accents; the larger the roster, the more
# names repeat (some 97,000 differ), as in a whole service.
#
#   bench/plain-roster.sh FILE N [--seed S] [--indexed]
set -euo pipefail

file=${1:?FILE}
count=${2:?N}
shift 2
seed=1
indexed=no
while [ $# -gt 0 ]; do
  case "$1" in
    --seed) seed=$2; shift 2 ;;
    --indexed) indexed=yes; shift ;;
    *) echo "plain-roster.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -e "$file" ] && { echo "plain-roster.sh: $file exists" >&2; exit 1; }
table=$(dirname "$0")/../docs/soldier-table.sql

{
  if [ "$indexed" = yes ]; then cat "$table"; else grep -v '^CREATE INDEX' "$table"; fi
  cat <<SQL
CREATE TEMP TABLE last(i INTEGER PRIMARY KEY, v TEXT);
CREATE TEMP TABLE first(i INTEGER PRIMARY KEY, v TEXT);
CREATE TEMP TABLE rank(i INTEGER PRIMARY KEY, v TEXT);
INSERT INTO last(v) VALUES ('ADAMS'),('ALLEN'),('ALVAREZ'),('ANDERSON'),('BAILEY'),('BAKER'),('BELL'),('BENNETT'),
 ('BROOKS'),('BROWN'),('BUTLER'),('CAMPBELL'),('CARTER'),('CHEN'),('CLARK'),('COLLINS'),('COOK'),('COOPER'),('COX'),
 ('CRUZ'),('DAVIS'),('DE LA CRUZ'),('DIAZ'),('EDWARDS'),('EVANS'),('FISHER'),('FLORES'),('FOSTER'),('GARCIA'),
 ('GOMEZ'),('GONZALEZ'),('GRAY'),('GREEN'),('GRIFFIN'),('HALL'),('HARRIS'),('HAYES'),('HERNANDEZ'),('HILL'),
 ('HOWARD'),('HUGHES'),('JACKSON'),('JAMES'),('JENKINS'),('JOHNSON'),('JONES'),('KELLY'),('KIM'),('KING'),('LEE'),
 ('LEWIS'),('LONG'),('LOPEZ'),('MARTIN'),('MARTINEZ'),('MCALLISTER-JONES'),('MILLER'),('MITCHELL'),('MOORE'),
 ('MORALES'),('MORGAN'),('MORRIS'),('MURPHY'),('MYERS'),('NELSON'),('NGUYEN'),('O''BRIEN'),('ORTIZ'),('PARKER'),
 ('PATEL'),('PEREZ'),('PERRY'),('PETERSON'),('PHILLIPS'),('POWELL'),('PRICE'),('RAMIREZ'),('REED'),('REYES'),
 ('RICHARDSON'),('RIVERA'),('ROBERTS'),('ROBINSON'),('RODRIGUEZ'),('ROGERS'),('ROSS'),('RUSSELL'),('SANCHEZ'),
 ('SANDERS'),('SCOTT'),('SMITH'),('STEWART'),('SULLIVAN'),('TAYLOR'),('THOMAS'),('THOMPSON'),('TORRES'),('TURNER'),
 ('VAN DER BERG'),('WALKER'),('WARD'),('WASHINGTON'),('WATSON'),('WHITE'),('WILLIAMS'),('WILSON'),('WOOD'),
 ('WRIGHT'),('YOUNG');
INSERT INTO first(v) VALUES ('AARON'),('ALICIA'),('AMANDA'),('ANDRE'),('ANGELA'),('ANTHONY'),('ASHLEY'),('BRIAN'),
 ('BRITTANY'),('CARLOS'),('CHLOE'),('CHRISTOPHER'),('DANIEL'),('DAVID'),('DEREK'),('ELENA'),('EMILY'),('ERIC'),
 ('GRACE'),('HANNAH'),('ISAAC'),('JAMAL'),('JASMINE'),('JASON'),('JENNIFER'),('JESSICA'),('JOSE'),('JOSHUA'),
 ('JUAN'),('KEVIN'),('LAURA'),('LUIS'),('MARCUS'),('MARIA'),('MATTHEW'),('MICHAEL'),('NATALIE'),('NICOLE'),('OMAR'),
 ('PRIYA'),('RACHEL'),('ROBERT'),('SAMUEL'),('SARAH'),('STEPHANIE'),('TERRELL'),('THOMAS'),('TYLER'),('VANESSA'),
 ('WILLIAM'),('XAVIER'),('YOLANDA'),('ZACHARY'),('ZOE');
INSERT INTO rank(v) VALUES ('PV1'),('PV2'),('PFC'),('SPC'),('SPC'),('SPC'),('CPL'),('SGT'),('SGT'),('SSG'),('SFC'),('MSG');
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $count),
  r(i, h) AS (SELECT i, (i * 2654435761 + $seed * 40503) % 4294967291 FROM n),
  s AS (SELECT i, h,
          (SELECT v FROM last WHERE last.i = 1 + h % (SELECT count(*) FROM last)) || ', '
            || (SELECT v FROM first WHERE first.i = 1 + (h / 131) % (SELECT count(*) FROM first))
            || CASE WHEN (h / 7919) % 10 < 6 THEN ' ' || char(65 + (h / 104729) % 26) ELSE '' END AS name
        FROM r)
INSERT INTO Soldier (Name, Rank, TISDate, DORDate, APFT, Weapon, MSM, MSM2, ARCOM, ARCOM2, ARCOM3, AAM, AAM2, AAM3,
                     "LTR/COM", "LTR/COM2", "LTR/COM3", "1SGTPoints", "SSGTPoints", LastSchool, NextSchool, PrefDates)
SELECT CASE h % 100
         WHEN 7 THEN replace(replace(replace(name, 'O', 'Ö'), 'E', 'É'), 'N', 'Ñ')
         WHEN 42 THEN upper(substr(name, 1, 1)) || lower(substr(name, 2))
         ELSE name END,
       (SELECT v FROM rank WHERE rank.i = 1 + (h / 13) % 12),
       date('2026-12-01', '-' || (200 + (h / 17) % 7000) || ' days'),
       date('2026-12-01', '-' || (30 + (h / 19) % 1000) || ' days'),
       char(65 + (h / 23) % 10), substr('ESM', 1 + (h / 29) % 3, 1),
       (h / 31) % 20 = 0, (h / 37) % 50 = 0, (h / 41) % 4 = 0, (h / 43) % 8 = 0, (h / 47) % 16 = 0,
       (h / 53) % 3 = 0, (h / 59) % 6 = 0, (h / 61) % 12 = 0, (h / 67) % 5 = 0, (h / 71) % 10 = 0, (h / 73) % 20 = 0,
       10 + (h / 79) % 41, 10 + (h / 83) % 41, 'WLC', 'ALC', 'MAR-JUN 2027'
FROM s;
COMMIT;
SQL
} | sqlite3 "$file"
