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
};

struct Scan {
    QVector<Token> tokens;
    QString problem;  // set when the text cannot be read safely
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c.unicode() > 0x7f;
}

// Splits SQLite text into tokens, skipping blanks and comments and keeping
// literals and quoted names whole, so words inside them are never judged.
Scan tokenize(const QString& sql)
{
    Scan scan;
    int depth = 0;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    auto closeQuote = [&](QChar close, Token::Kind kind) {
        const qsizetype start = i++;
        while (i < n) {
            if (sql[i] == close) {
                // A doubled quote is an escaped one, except for ]...] names.
                if (close != u']' && i + 1 < n && sql[i + 1] == close) {
                    i += 2;
                    continue;
                }
                ++i;
                scan.tokens.append({kind, sql.mid(start, i - start), depth});
                return true;
            }
            ++i;
        }
        scan.problem = QCoreApplication::translate("varnel::reports", "a quote is not closed");
        return false;
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            if (end < 0) {
                scan.problem = QCoreApplication::translate("varnel::reports", "a comment is not closed");
                return scan;
            }
            i = end + 2;
        } else if (c == u'\'') {
            if (!closeQuote(u'\'', Token::Literal))
                return scan;
        } else if (c == u'"') {
            if (!closeQuote(u'"', Token::Quoted))
                return scan;
        } else if (c == u'`') {
            if (!closeQuote(u'`', Token::Quoted))
                return scan;
        } else if (c == u'[') {
            if (!closeQuote(u']', Token::Quoted))
                return scan;
        } else if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < n && isWordChar(sql[i]))
                ++i;
            const QString word = sql.mid(start, i - start);
            // Numbers (and x'..' blob prefixes) are literals, not words.
            scan.tokens.append({word[0].isDigit() ? Token::Literal : Token::Word, word.toUpper(), depth});
        } else if (c == u';') {
            scan.tokens.append({Token::Semicolon, QStringLiteral(";"), depth});
            ++i;
        } else {
            if (c == u'(')
                ++depth;
            scan.tokens.append({Token::Symbol, QString(c), depth});
            if (c == u')')
                --depth;
            ++i;
        }
    }
    return scan;
}

const QSet<QString>& writingWords()
{
    static const QSet<QString> words{
        QStringLiteral("INSERT"),   QStringLiteral("UPDATE"),   QStringLiteral("DELETE"),
        QStringLiteral("ATTACH"),   QStringLiteral("DETACH"),   QStringLiteral("PRAGMA"),
        QStringLiteral("CREATE"),   QStringLiteral("DROP"),     QStringLiteral("ALTER"),
        QStringLiteral("VACUUM"),   QStringLiteral("REINDEX"),  QStringLiteral("ANALYZE"),
        QStringLiteral("BEGIN"),    QStringLiteral("COMMIT"),   QStringLiteral("ROLLBACK"),
        QStringLiteral("SAVEPOINT"), QStringLiteral("RELEASE"), QStringLiteral("LOAD_EXTENSION"),
    };
    return words;
}

bool isMainStatementWord(const QString& word)
{
    return word == u"SELECT" || word == u"VALUES" || word == u"INSERT" || word == u"UPDATE"
        || word == u"DELETE" || word == u"REPLACE";
}

// Why the query may not run, or nothing when it only reads.
QString whyRefused(const QString& query)
{
    const Scan scan = tokenize(query);
    if (!scan.problem.isEmpty())
        return scan.problem;
    const QVector<Token>& tokens = scan.tokens;
    if (tokens.isEmpty())
        return QStringLiteral("it is empty");

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

    const Token& first = tokens.front();
    if (first.kind == Token::Word && (first.text == u"SELECT" || first.text == u"VALUES"))
        return {};
    if (first.kind == Token::Word && first.text == u"WITH") {
        // After the common table expressions, the statement itself is the
        // first statement word outside all parentheses.
        for (const Token& token : tokens) {
            if (token.kind == Token::Word && token.depth == 0 && isMainStatementWord(token.text)) {
                if (token.text == u"SELECT" || token.text == u"VALUES")
                    return {};
                return QCoreApplication::translate("varnel::reports", "its WITH clause leads to %1").arg(token.text);
            }
        }
        return QCoreApplication::translate("varnel::reports", "its WITH clause leads to no SELECT");
    }
    return QCoreApplication::translate("varnel::reports", "it begins with %1, not SELECT").arg(first.text);
}

} // namespace

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
