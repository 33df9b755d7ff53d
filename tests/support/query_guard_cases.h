#pragma once

// Report queries and what the query guard must decide for each, as SQLite and PostgreSQL read them.
namespace varnel::test {

struct GuardCase {
    const char* query;
    bool refused;
};

inline constexpr GuardCase kGuardCases[] = {
    // Reading, as SQLite and PostgreSQL both read it.
    {R"(select Name from Soldier;)", false},
    {"WITH t AS (SELECT 1 AS a) SELECT a FROM t", false},
    {"VALUES (1), (2)", false},
    {R"(SELECT replace("Name", ',', '') FROM "Soldier")", false},
    {"SELECT 'DELETE FROM Soldier; DROP TABLE Soldier' AS x", false},
    {R"(SELECT "UPDATE" FROM "Soldier")", false},
    {"SELECT 1 /* ; DELETE FROM Soldier */", false},
    {"SELECT 1 -- ; DELETE FROM Soldier", false},
    {R"(SELECT "LTR/COM", [1SGTPoints], `TOTAL` FROM "Soldier")", false},
    {R"(SELECT E'it''s', E'\\' AS "Backslash")", false},
    {"SELECT $$plain text$$ AS x", false},
    {"SELECT $q$ a $$ b $q$ AS x", false},
    {"SELECT 1 /* outer /* inner */ still comment */ AS x", false},
    {R"(SELECT U&'d\0061t\+000061' AS "Data")", false},
    {"SELECT 'a'\n'b' AS x", false},
    {"SELECT B'101' AS b, X'1F' AS h", false},
    {R"(SELECT "Name"::text FROM "Soldier")", false},
    {"SELECT 'tab\there' AS x,\r\n 2 AS y", false},
    {"SELECT 'non\xc2\xa0" "breaking' AS \"Name\xc2\xa0\"", false},
    // Writing, or more than one statement to both.
    {"UPDATE Soldier SET TOTAL = 0", true},
    {"REPLACE INTO Soldier (Name) VALUES ('x')", true},
    {"SELECT 1; SELECT 2", true},
    {"attach 'other.db' as other", true},
    {"WITH t AS (SELECT 1) DELETE FROM Soldier", true},
    {"/* report */ CREATE TABLE x (a)", true},
    {"SELECT load_extension('evil')", true},
    {"SELECT 'unterminated", true},
    {"SELECT 1 /* unterminated", true},
    {"   ", true},
    {";", true},
    {"EXPLAIN SELECT 1", true},
    // PostgreSQL's writing forms of SELECT.
    {R"(SELECT * INTO "Copy" FROM "Soldier")", true},
    {"WITH d AS (MERGE INTO s USING t ON true WHEN MATCHED THEN DELETE) SELECT 1", true},
    {"SELECT set_config('standard_conforming_strings', 'off', false)", true},
    {"SELECT nextval('s'), setval('s', 1)", true},
    // One statement to one engine, two to the other.
    {R"(SELECT E'\'', 1; DELETE FROM "Soldier"; --')", true},
    // One statement to both: after E'\\ the quote is a doubled one to both.
    {R"(SELECT E'\\'', 1; DELETE FROM "Soldier"; --')", false},
    {R"(SELECT E'a\'b' AS "Quoted")", true},
    {R"(SELECT E'a'
'\''; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT U&'\'; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT $a$ ; $a$; DELETE FROM "Soldier")", true},
    {R"(SELECT $a$ ' $a$; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT $a$ unclosed)", true},
    // [...] and `...` quote names to SQLite only.
    {R"(SELECT [a; DELETE FROM "Soldier"; --] FROM "Soldier")", true},
    {R"(SELECT `a; DELETE FROM "Soldier"; --` FROM "Soldier")", true},
    {"SELECT 1 /* /* */ ; DELETE FROM Soldier; -- */", true},
    {R"(SELECT 1 /* /* */ '; */ ; DELETE FROM "Soldier"; --')", true},
    {"SELECT 1 /* /* */", true},
    {"SELECT 1 --\r; DELETE FROM \"Soldier\"", true},
    {R"(SELECT '\', 1 AS "x'; DELETE FROM "Soldier"; --")", true},
    {R"(SELECT 1E'\'; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT 1$a$ ' $a$; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT $a(') ; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT @a::b(') ; DELETE FROM "Soldier"; --')", true},
    // Characters the engines do not read as blanks.
    {"SELECT 1\v", true},
    {"SELECT\xc2\xa0" "1", true},
};

} // namespace varnel::test
