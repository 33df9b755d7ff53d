#include "reports/query_guard.h"

#include "common/failure.h"
#include "reports/report_failures.h"

#include <QCoreApplication>
#include <QSet>
#include <QVector>

namespace varnel::reports {

namespace {

struct Token {
    enum Kind { Word, Quoted, Literal, Symbol, Semicolon };
    Kind kind;
    QString text;  // upper case for words
    int depth;     // parenthesis depth at the token
    qsizetype end; // where it ends in the text
};

struct Scan {
    QVector<Token> tokens;
    QString problem;  // set when the text cannot be read safely
};

// The lexical rules a query is read by. A layout may run on SQLite or on a
// PostgreSQL server, and the same text can split differently under each:
// E'\'' is one string to PostgreSQL and a string followed by a stray quote to
// SQLite. So a query is read by every set of rules, and each reading must
// find one statement that only reads.
enum class Dialect {
    Sqlite,
    // standard_conforming_strings on, PostgreSQL's default: '...' takes no
    // backslash escapes.
    Postgres,
    // standard_conforming_strings off, a server setting a query cannot see:
    // '...' takes backslash escapes like E'...'.
    PostgresEscapeStrings,
};

bool isPostgres(Dialect dialect)
{
    return dialect != Dialect::Sqlite;
}

// The blanks both engines skip. Other characters that look blank (U+00A0,
// U+2028) are letters of a name to SQLite and PostgreSQL alike.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A character that continues a name in both engines; $ too. Both take
// U+00A0 and the other non-ASCII blanks for letters, but a reader takes them
// for blanks, so a name ends there and the blank is refused.
bool isWordChar(QChar c)
{
    return isAsciiLetter(c) || isDigit(c) || c == u'_' || c == u'$' || (c.unicode() > 0x7f && !c.isSpace());
}

// A character that may begin a PostgreSQL name or a dollar quote's tag.
bool isPostgresNameStart(QChar c)
{
    return isAsciiLetter(c) || c == u'_' || c.unicode() > 0x7f;
}

class Tokenizer {
public:
    Tokenizer(const QString& sql, Dialect dialect) : sql_(sql), dialect_(dialect), n_(sql.size()) {}

    // Splits the text into tokens, skipping blanks and comments and keeping
    // literals and quoted names whole, so words inside them are never judged.
    Scan run()
    {
        while (i_ < n_ && scan_.problem.isEmpty())
            next();
        return std::move(scan_);
    }

private:
    QChar at(qsizetype k) const { return k < n_ ? sql_[k] : QChar(); }

    void add(Token::Kind kind, qsizetype start)
    {
        scan_.tokens.append({kind, sql_.mid(start, i_ - start), depth_, i_});
    }

    void fail(const QString& problem) { scan_.problem = problem; }

    void unclosedQuote() { fail(QCoreApplication::translate("varnel::reports", "a quote is not closed")); }

    void next()
    {
        const QChar c = sql_[i_];
        if (isBlank(c)) {
            ++i_;
        } else if (c.isSpace()) {
            fail(QCoreApplication::translate("varnel::reports", "it holds a space character (U+%1) that SQL does not read as a blank")
                     .arg(c.unicode(), 4, 16, QLatin1Char('0')));
        } else if (!comment(c) && !quoted(c)) {
            if (isWordChar(c))
                word();
            else
                symbol(c);
        }
    }

    // Reads a comment that begins at `c`; false when none does.
    bool comment(QChar c)
    {
        if (c == u'-' && at(i_ + 1) == u'-')
            lineComment();
        else if (c == u'/' && at(i_ + 1) == u'*')
            blockComment();
        else
            return false;
        return true;
    }

    // Reads a string, a quoted name or a parameter that begins at `c`, as
    // the dialect quotes them; false when none does.
    bool quoted(QChar c)
    {
        const bool sqlite = dialect_ == Dialect::Sqlite;
        if (c == u'\'')
            string(dialect_ == Dialect::PostgresEscapeStrings ? Escapes::Backslash : Escapes::Doubled);
        else if (c == u'"')
            quotedName(u'"');
        else if (sqlite && c == u'`')
            quotedName(u'`');
        else if (sqlite && c == u'[')
            quotedName(u']');
        else if (sqlite && (c == u'$' || c == u'@' || c == u':' || c == u'#'))
            sqliteParameter();
        else if (isPostgres(dialect_) && c == u'$')
            postgresDollar();
        else
            return false;
        return true;
    }

    void symbol(QChar c)
    {
        const qsizetype start = i_++;
        if (c == u';') {
            add(Token::Semicolon, start);
            return;
        }
        if (c == u'(')
            ++depth_;
        add(Token::Symbol, start);
        if (c == u')')
            --depth_;
    }

    // SQLite ends a -- comment at a line feed only; PostgreSQL also at a
    // carriage return.
    void lineComment()
    {
        while (i_ < n_ && sql_[i_] != u'\n' && !(isPostgres(dialect_) && sql_[i_] == u'\r'))
            ++i_;
    }

    // SQLite ends a block comment at the first */; PostgreSQL nests them.
    void blockComment()
    {
        if (dialect_ == Dialect::Sqlite) {
            const qsizetype end = sql_.indexOf(QStringLiteral("*/"), i_ + 2);
            if (end < 0)
                return unclosedComment();
            i_ = end + 2;
            return;
        }
        int nesting = 0;
        while (i_ < n_) {
            if (sql_[i_] == u'/' && at(i_ + 1) == u'*') {
                ++nesting;
                i_ += 2;
            } else if (sql_[i_] == u'*' && at(i_ + 1) == u'/') {
                i_ += 2;
                if (--nesting == 0)
                    return;
            } else {
                ++i_;
            }
        }
        unclosedComment();
    }

    void unclosedComment() { fail(QCoreApplication::translate("varnel::reports", "a comment is not closed")); }

    // How a '...' literal treats what is inside it.
    enum class Escapes {
        Doubled,    // '' is a quote
        Backslash,  // '' and \' are quotes, \\ a backslash
        None,       // the first quote ends it (PostgreSQL's B'...' and X'...', SQLite's x'...')
    };

    // A literal from the quote at i_ to its closing quote. To PostgreSQL a
    // literal goes on after a line break and another quote ('a'<newline>'b'
    // is 'ab'), read by the same escapes.
    void string(Escapes escapes, qsizetype start = -1)
    {
        if (start < 0)
            start = i_;
        ++i_;
        while (i_ < n_) {
            const QChar c = sql_[i_];
            if (escapes == Escapes::Backslash && c == u'\\') {
                if (i_ + 1 >= n_)
                    break;
                i_ += 2;
            } else if (c == u'\'') {
                if (escapes != Escapes::None && at(i_ + 1) == u'\'') {
                    i_ += 2;
                    continue;
                }
                ++i_;
                if (isPostgres(dialect_)) {
                    if (const qsizetype quote = continuingQuote(); quote >= 0) {
                        i_ = quote + 1;
                        continue;
                    }
                }
                add(Token::Literal, start);
                return;
            } else {
                ++i_;
            }
        }
        unclosedQuote();
    }

    // Where a PostgreSQL literal that ended at i_ goes on: blanks and --
    // comments holding a line break, then a quote. -1 when it does not.
    qsizetype continuingQuote() const
    {
        bool lineBreak = false;
        qsizetype k = i_;
        while (k < n_) {
            const QChar c = sql_[k];
            if (c == u'\n' || c == u'\r') {
                lineBreak = true;
                ++k;
            } else if (isBlank(c)) {
                ++k;
            } else if (c == u'-' && at(k + 1) == u'-') {
                while (k < n_ && sql_[k] != u'\n' && sql_[k] != u'\r')
                    ++k;
            } else {
                break;
            }
        }
        return lineBreak && at(k) == u'\'' ? k : -1;
    }

    // A quoted name; a doubled closing quote is an escaped one, except for
    // ]...] names.
    void quotedName(QChar close)
    {
        const qsizetype start = i_++;
        while (i_ < n_) {
            if (sql_[i_] == close) {
                if (close != u']' && at(i_ + 1) == close) {
                    i_ += 2;
                    continue;
                }
                ++i_;
                add(Token::Quoted, start);
                return;
            }
            ++i_;
        }
        unclosedQuote();
    }

    // SQLite's $name, @name, :name and #name parameters, with the Tcl forms
    // $a::b and $a(anything up to a blank or ")"), which swallow quotes and
    // semicolons whole.
    void sqliteParameter()
    {
        const qsizetype start = i_++;
        int nameChars = 0;
        while (i_ < n_) {
            const QChar c = sql_[i_];
            if (isWordChar(c)) {
                ++nameChars;
                ++i_;
            } else if (c == u'(' && nameChars > 0) {
                while (i_ < n_ && sql_[i_] != u')' && !isBlank(sql_[i_]))
                    ++i_;
                if (i_ < n_ && sql_[i_] == u')')
                    ++i_;
                break;
            } else if (c == u':' && at(i_ + 1) == u':') {
                i_ += 2;
            } else {
                break;
            }
        }
        add(nameChars > 0 ? Token::Literal : Token::Symbol, start);
    }

    // PostgreSQL's $1 parameters and $$...$$ or $tag$...$tag$ literals; a
    // lone $ is not PostgreSQL.
    void postgresDollar()
    {
        const qsizetype start = i_;
        if (isDigit(at(i_ + 1))) {
            ++i_;
            while (i_ < n_ && isDigit(sql_[i_]))
                ++i_;
            add(Token::Literal, start);
            return;
        }
        qsizetype k = i_ + 1;
        if (isPostgresNameStart(at(k))) {
            while (k < n_ && (isPostgresNameStart(sql_[k]) || isDigit(sql_[k])))
                ++k;
        }
        if (at(k) != u'$') {
            ++i_;
            add(Token::Symbol, start);
            return;
        }
        const QString delimiter = sql_.mid(i_, k + 1 - i_);
        const qsizetype close = sql_.indexOf(delimiter, k + 1);
        if (close < 0)
            return unclosedQuote();
        i_ = close + delimiter.size();
        add(Token::Literal, start);
    }

    void word()
    {
        const qsizetype start = i_;
        while (i_ < n_ && isWordChar(sql_[i_]))
            ++i_;
        const QString word = sql_.mid(start, i_ - start);
        const QChar after = at(i_);
        if (isDigit(word[0])) {
            // A PostgreSQL number followed by a letter reads differently from
            // release to release (1E'..' is 1 and an escape string to some,
            // an error to others); $ after digits starts a dollar quote.
            if (isPostgres(dialect_) && (word.contains(u'$') || after == u'\'' || after == u'$'))
                return fail(QCoreApplication::translate("varnel::reports", "a number runs into %1")
                                .arg(word.contains(u'$') ? QStringLiteral("$") : QString(after)));
            // Numbers (and x'..' blob prefixes) are literals, not words.
            add(Token::Literal, start);
            return;
        }
        const QString upper = word.toUpper();
        if (after == u'\'' && dialect_ == Dialect::Sqlite && upper == u"X")
            return string(Escapes::None, start);
        if (after == u'\'' && isPostgres(dialect_)) {
            if (upper == u"E")
                return string(Escapes::Backslash, start);
            if (upper == u"B" || upper == u"X")
                return string(Escapes::None, start);
        }
        if (isPostgres(dialect_) && upper == u"U" && after == u'&' && (at(i_ + 1) == u'\'' || at(i_ + 1) == u'"')) {
            // U&'...' and U&"..." take no backslash escapes of their own.
            ++i_;
            if (sql_[i_] == u'"') {
                quotedName(u'"');
                return;
            }
            return string(Escapes::Doubled, start);
        }
        scan_.tokens.append({Token::Word, upper, depth_, i_});
    }

    const QString& sql_;
    const Dialect dialect_;
    const qsizetype n_;
    qsizetype i_ = 0;
    int depth_ = 0;
    Scan scan_;
};

const QSet<QString>& writingWords()
{
    static const QSet<QString> words{
        QStringLiteral("INSERT"),   QStringLiteral("UPDATE"),   QStringLiteral("DELETE"),
        QStringLiteral("ATTACH"),   QStringLiteral("DETACH"),   QStringLiteral("PRAGMA"),
        QStringLiteral("CREATE"),   QStringLiteral("DROP"),     QStringLiteral("ALTER"),
        QStringLiteral("VACUUM"),   QStringLiteral("REINDEX"),  QStringLiteral("ANALYZE"),
        QStringLiteral("BEGIN"),    QStringLiteral("COMMIT"),   QStringLiteral("ROLLBACK"),
        QStringLiteral("SAVEPOINT"), QStringLiteral("RELEASE"), QStringLiteral("LOAD_EXTENSION"),
        // PostgreSQL: SELECT ... INTO makes a table, MERGE writes, and these
        // functions change a sequence or the connection's settings.
        QStringLiteral("INTO"),     QStringLiteral("MERGE"),    QStringLiteral("SET_CONFIG"),
        QStringLiteral("NEXTVAL"),  QStringLiteral("SETVAL"),
    };
    return words;
}

bool isMainStatementWord(const QString& word)
{
    return word == u"SELECT" || word == u"VALUES" || word == u"INSERT" || word == u"UPDATE"
        || word == u"DELETE" || word == u"REPLACE";
}

// A second statement, or a word that writes, in the query's tokens.
QString writingPart(const QVector<Token>& tokens)
{
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.kind == Token::Semicolon) {
            if (i + 1 < tokens.size())
                return QCoreApplication::translate("varnel::reports", "it holds more than one statement");
            if (i == 0)
                return QStringLiteral("it is empty");
            continue;
        }
        if (token.kind != Token::Word)
            continue;
        if (writingWords().contains(token.text))
            return QStringLiteral("it contains %1").arg(token.text);
        // replace(...) is a text function; REPLACE without "(" is a statement.
        const bool call = i + 1 < tokens.size() && tokens[i + 1].text == u"(";
        if (token.text == u"REPLACE" && !call)
            return QCoreApplication::translate("varnel::reports", "it contains REPLACE");
    }
    return {};
}

// Why the query, as one engine reads it, may not run, or nothing when it
// only reads.
QString whyRefused(const Scan& scan)
{
    if (!scan.problem.isEmpty())
        return scan.problem;
    const QVector<Token>& tokens = scan.tokens;
    if (tokens.isEmpty())
        return QStringLiteral("it is empty");
    if (const QString writing = writingPart(tokens); !writing.isEmpty())
        return writing;

    const Token& first = tokens.front();
    if (first.kind == Token::Word && (first.text == u"SELECT" || first.text == u"VALUES"))
        return {};
    if (first.kind != Token::Word || first.text != u"WITH")
        return QCoreApplication::translate("varnel::reports", "it begins with %1, not SELECT").arg(first.text);
    // After the common table expressions, the statement itself is the first
    // statement word outside all parentheses.
    for (const Token& token : tokens) {
        if (token.kind == Token::Word && token.depth == 0 && isMainStatementWord(token.text)) {
            if (token.text == u"SELECT" || token.text == u"VALUES")
                return {};
            return QCoreApplication::translate("varnel::reports", "its WITH clause leads to %1").arg(token.text);
        }
    }
    return QCoreApplication::translate("varnel::reports", "its WITH clause leads to no SELECT");
}

// Why the query may not run on SQLite or on PostgreSQL, or nothing when it
// only reads to both.
QString whyRefused(const QString& query)
{
    // Neither engine takes control characters for blanks, and a NUL ends
    // the text early for both.
    for (const QChar c : query) {
        if (c.category() == QChar::Other_Control && !isBlank(c))
            return QCoreApplication::translate("varnel::reports", "it holds a control character (U+%1)")
                .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    const QString sqlite = whyRefused(Tokenizer(query, Dialect::Sqlite).run());
    if (!sqlite.isEmpty())
        return sqlite;
    const QString postgres = whyRefused(Tokenizer(query, Dialect::Postgres).run());
    if (!postgres.isEmpty())
        return QCoreApplication::translate("varnel::reports", "%1 as PostgreSQL reads it").arg(postgres);
    const QString escapes = whyRefused(Tokenizer(query, Dialect::PostgresEscapeStrings).run());
    if (!escapes.isEmpty())
        return QCoreApplication::translate("varnel::reports",
                                           "%1 as PostgreSQL reads it with standard_conforming_strings off")
            .arg(escapes);
    return {};
}

} // namespace

QString withServerRowKey(const QString& query, const QString& keyColumn)
{
    if (keyColumn.isEmpty())
        return query;
    QString key = keyColumn;
    key.replace(u'"', QLatin1String("\"\""));
    // Within its own definition "Soldier" still names the table: a WITH
    // item that is not recursive does not see itself.
    const QString soldier = QStringLiteral("\"Soldier\" AS (SELECT *, \"%1\" AS _rowid_ FROM \"Soldier\")").arg(key);
    const QVector<Token> tokens = Tokenizer(query, Dialect::Postgres).run().tokens;
    const auto isWord = [&tokens](qsizetype i, QStringView word) {
        return i < tokens.size() && tokens[i].kind == Token::Word && tokens[i].text == word;
    };
    if (!isWord(0, u"WITH"))
        return QStringLiteral("WITH ") + soldier + u' ' + query;
    const qsizetype at = tokens[isWord(1, u"RECURSIVE") ? 1 : 0].end;
    return query.left(at) + u' ' + soldier + u',' + query.mid(at);
}

void refuseWritingQuery(const QString& query, const QString& layoutPath)
{
    const QString why = whyRefused(query);
    if (!why.isEmpty())
        throw Failure(failure::QueryRefused,
                      QCoreApplication::translate("varnel::reports", "The query of the report layout %1 was refused: %2. "
                                     "A report query must be a single SELECT that only reads.")
                          .arg(layoutPath, why));
}

} // namespace varnel::reports
