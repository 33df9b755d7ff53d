-- The Soldier table as `varnel-roster create` writes it. Positions 3 to 24
-- and 29 are fixed; the others may stand in any order.
CREATE TABLE "Soldier" (
  "ID"           INTEGER PRIMARY KEY,  -- 0  generated record key
  "Name"         TEXT,                 -- 1
  "Rank"         TEXT,                 -- 2
  "TISDate"      DATE,                 -- 3  shown as PEBD
  "DORDate"      DATE,                 -- 4  shown as DOR
  "APFT"         TEXT,                 -- 5  band "A".."J"
  "Weapon"       TEXT,                 -- 6  "E", "S", "M"
  "MSM"          BOOLEAN,              -- 7
  "MSM2"         BOOLEAN,              -- 8
  "ARCOM"        BOOLEAN,              -- 9
  "ARCOM2"       BOOLEAN,              -- 10
  "ARCOM3"       BOOLEAN,              -- 11
  "AAM"          BOOLEAN,              -- 12
  "AAM2"         BOOLEAN,              -- 13
  "AAM3"         BOOLEAN,              -- 14
  "LTR/COM"      BOOLEAN,              -- 15
  "LTR/COM2"     BOOLEAN,              -- 16
  "LTR/COM3"     BOOLEAN,              -- 17
  "TISPoints"    INTEGER,              -- 18
  "TIGPoints"    INTEGER,              -- 19
  "APFTPoints"   INTEGER,              -- 20
  "WeaponPoints" INTEGER,              -- 21
  "AwardPoints"  INTEGER,              -- 22
  "1SGTPoints"   INTEGER,              -- 23
  "SSGTPoints"   INTEGER,              -- 24
  "LastSchool"   TEXT,                 -- 25
  "NextSchool"   TEXT,                 -- 26
  "PrefDates"    TEXT,                 -- 27
  "TotalDate"    TEXT,                 -- 28 "m/d/yyyy" of the last Total
  "TOTAL"        INTEGER               -- 29
);
CREATE INDEX "SoldierByName" ON "Soldier" ("Name");
