#include "tools/roster_files.h"

#include "tools/new_roster_file.h"

namespace varnel::tools {

namespace {

const char* const kSchema[] = {
    R"(CREATE TABLE "Soldier" (
  "ID" INTEGER PRIMARY KEY, "Name" TEXT, "Rank" TEXT,
  "TISDate" DATE, "DORDate" DATE, "APFT" TEXT, "Weapon" TEXT,
  "MSM" BOOLEAN, "MSM2" BOOLEAN, "ARCOM" BOOLEAN, "ARCOM2" BOOLEAN, "ARCOM3" BOOLEAN,
  "AAM" BOOLEAN, "AAM2" BOOLEAN, "AAM3" BOOLEAN, "LTR/COM" BOOLEAN, "LTR/COM2" BOOLEAN, "LTR/COM3" BOOLEAN,
  "TISPoints" INTEGER, "TIGPoints" INTEGER, "APFTPoints" INTEGER, "WeaponPoints" INTEGER, "AwardPoints" INTEGER,
  "1SGTPoints" INTEGER, "SSGTPoints" INTEGER,
  "LastSchool" TEXT, "NextSchool" TEXT, "PrefDates" TEXT, "TotalDate" TEXT,
  "TOTAL" INTEGER))",
    R"(CREATE INDEX "SoldierByName" ON "Soldier" ("Name"))",
};

} // namespace

QStringList soldierTableStatements()
{
    QStringList statements;
    for (const char* s : kSchema)
        statements << QString::fromUtf8(s);
    return statements;
}

void createRosterFile(const QString& path)
{
    NewRosterFile file(path);
    for (const QString& statement : soldierTableStatements())
        file.exec(statement);
    file.finish();
}

} // namespace varnel::tools
