#pragma once

// Report queries and what the query guard must decide for each. The guard's
// own tests check the decisions; the test against a PostgreSQL server checks
// that each text let through is one statement that only reads to the
// server's parser, and that the texts in kPostgresSplits really run two
// statements there.
namespace varnel::test {

struct GuardCase {
    const char* query;
    bool refused;
};

inline constexpr GuardCase kGuardCases[] = {
    // Reading, as SQLite and PostgreSQL both read it.
    {R"(SELECT "Name" FROM "Soldier" ORDER BY "Name")", false},
    {R"(select Name from Soldier;)", false},
    {"SELECT 1;  -- trailing comment", false},
    {"WITH t AS (SELECT 1 AS a) SELECT a FROM t", false},
    {"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 3) SELECT x FROM n", false},
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
    {"SELECT 'C:\\temp' AS path", false},
    {"SELECT 'tab\there' AS x,\r\n 2 AS y", false},
    {"SELECT 'non\xc2\xa0" "breaking' AS \"Name\xc2\xa0\"", false},
    // Writing, or more than one statement to both.
    {"UPDATE Soldier SET TOTAL = 0", true},
    {"DELETE FROM Soldier", true},
    {"INSERT INTO Soldier (Name) VALUES ('x')", true},
    {"REPLACE INTO Soldier (Name) VALUES ('x')", true},
    {"SELECT 1; DELETE FROM Soldier", true},
    {"SELECT 1; SELECT 2", true},
    {"ATTACH DATABASE 'other.db' AS other", true},
    {"attach 'other.db' as other", true},
    {"DETACH other", true},
    {"PRAGMA writable_schema = 1", true},
    {"WITH t AS (SELECT 1) DELETE FROM Soldier", true},
    {"WITH t AS (SELECT 1) INSERT INTO Soldier (Name) SELECT 1 FROM t", true},
    {"DROP TABLE Soldier", true},
    {"/* report */ CREATE TABLE x (a)", true},
    {"VACUUM INTO 'copy.db'", true},
    {"BEGIN; SELECT 1", true},
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
    // Odd, but one statement to both: the quote after E'\\ is a doubled
    // one to PostgreSQL and SQLite alike, so the literal runs to the end.
    {R"(SELECT E'\\'', 1; DELETE FROM "Soldier"; --')", false},
    {R"(SELECT E'a\'b' AS "Quoted")", true},
    {R"(SELECT E'a'
'\''; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT U&'\'; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT $a$ ; $a$; DELETE FROM "Soldier")", true},
    {R"(SELECT $$;$$; DELETE FROM "Soldier")", true},
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
    {R"(SELECT :a(') ; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT @a::b(') ; DELETE FROM "Soldier"; --')", true},
    // Characters the engines do not read as blanks.
    {"SELECT 1\v", true},
    {"SELECT 1\x01", true},
    {"SELECT\xc2\xa0" "1", true},
    {"SELECT 1\xe2\x80\xa8", true},
};

// Texts the guard refuses that a PostgreSQL server, given them whole, runs as
// a SELECT followed by a DELETE of every soldier. standardStrings is the
// standard_conforming_strings setting they split under.
struct PostgresSplit {
    const char* query;
    bool standardStrings;
};

inline constexpr PostgresSplit kPostgresSplits[] = {
    {R"(SELECT E'\'', 1; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT E'a'
'\''; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT $a$ ; $a$; DELETE FROM "Soldier")", true},
    {R"(SELECT $$;$$; DELETE FROM "Soldier")", true},
    {R"(SELECT $a$ ' $a$; DELETE FROM "Soldier"; --')", true},
    {R"(SELECT 1 /* /* */ '; */ ; DELETE FROM "Soldier"; --')", true},
    {"SELECT 1 --\r; DELETE FROM \"Soldier\"", true},
    {R"(SELECT '\', 1 AS "x'; DELETE FROM "Soldier"; --")", false},
};

} // namespace varnel::test
