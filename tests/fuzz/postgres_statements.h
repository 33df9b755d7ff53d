#pragma once

// PostgreSQL's scanner (src/backend/parser/scan.l), rule by rule, as far as it decides where statements end. Like flex,
// it takes the longest match, the earlier rule on a tie. Written apart from the query guard and the other way round
// (patterns, not a hand-made loop), so the fuzzer can hold one against the other.

#include <QRegularExpression>
#include <QString>

#include <optional>
#include <vector>

namespace varnel::fuzz {

// How many statements the server runs from `sql` sent whole: the stretches between semicolons holding a token. Nothing
// when the scanner stops (an unclosed literal, name or comment; U&'...' with standard strings off).
inline std::optional<int> postgresStatements(const QString& sql, bool standardStrings)
{
    using RE = QRegularExpression;
    enum Rule { Space, Comment, BlockStart, Escape, Bits, Hex, National, UnicodeString, UnicodeName, String, Name,
                DollarDelimiter, Parameter, Number, Identifier, Semicolon, Other };
    static const QString letter = QStringLiteral("A-Za-z\\x{80}-\\x{10ffff}_");
    static const std::vector<std::pair<Rule, RE>> rules{
        {Space, RE(QStringLiteral("[ \\t\\n\\r\\f\\v]+"))},
        {Comment, RE(QStringLiteral("--[^\\n\\r]*"))},
        {BlockStart, RE(QStringLiteral("/\\*"))},
        {Escape, RE(QStringLiteral("[eE]'"))},
        {Bits, RE(QStringLiteral("[bB]'"))},
        {Hex, RE(QStringLiteral("[xX]'"))},
        {National, RE(QStringLiteral("[nN]'"))},
        {UnicodeString, RE(QStringLiteral("[uU]&'"))},
        {UnicodeName, RE(QStringLiteral("[uU]&\""))},
        {String, RE(QStringLiteral("'"))},
        {Name, RE(QStringLiteral("\""))},
        {DollarDelimiter, RE(QStringLiteral("\\$([%1][%10-9]*)?\\$").arg(letter))},
        {Parameter, RE(QStringLiteral("\\$[0-9]+"))},
        {Number, RE(QStringLiteral("([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][-+]?[0-9]+)?"))},
        {Identifier, RE(QStringLiteral("[%1][%10-9$]*").arg(letter))},
        {Semicolon, RE(QStringLiteral(";"))},
        {Other, RE(QStringLiteral("."), RE::DotMatchesEverythingOption)},
    };
    // Literal bodies with the closing quote, and what lets a literal go on after a line break.
    static const RE standardBody(QStringLiteral("(?:[^']|'')*'"));
    static const RE escapeBody(QStringLiteral("(?:[^\\\\']|\\\\.|'')*'"), RE::DotMatchesEverythingOption);
    static const RE bitsBody(QStringLiteral("[^']*'"));
    static const RE nameBody(QStringLiteral("(?:[^\"]|\"\")*\""));
    static const RE goesOn(
        QStringLiteral("(?:[ \\t\\f\\v]|--[^\\n\\r]*)*[\\n\\r](?:[ \\t\\n\\r\\f\\v]+|--[^\\n\\r]*[\\n\\r])*'"));

    const auto anchored = [&](const RE& re, qsizetype at) {
        return re.match(sql, at, RE::NormalMatch, RE::AnchorAtOffsetMatchOption);
    };
    int statements = 0;
    bool token = false;
    qsizetype at = 0;
    while (at < sql.size()) {
        Rule rule = Other;
        qsizetype length = 0;
        for (const auto& [candidate, re] : rules) {
            const auto m = anchored(re, at);
            if (m.hasMatch() && m.capturedLength() > length) {
                rule = candidate;
                length = m.capturedLength();
            }
        }
        const qsizetype start = at;
        at += length;
        switch (rule) {
        case Space:
        case Comment: continue;
        case BlockStart:
            for (int depth = 1; depth > 0; at += 2) {
                while (at < sql.size() && sql.mid(at, 2) != u"/*" && sql.mid(at, 2) != u"*/")
                    ++at;
                if (at >= sql.size())
                    return std::nullopt;
                depth += sql.at(at) == u'/' ? 1 : -1;
            }
            continue;
        case Semicolon:
            statements += token ? 1 : 0;
            token = false;
            continue;
        case Escape: case Bits: case Hex: case National: case UnicodeString: case String: {
            if (rule == UnicodeString && !standardStrings)
                return std::nullopt;
            const bool backslashes = rule == Escape || (!standardStrings && (rule == String || rule == National));
            const RE& body = backslashes ? escapeBody : (rule == Bits || rule == Hex) ? bitsBody : standardBody;
            for (;;) {
                const auto m = anchored(body, at);
                if (!m.hasMatch())
                    return std::nullopt;
                at += m.capturedLength();
                const auto more = anchored(goesOn, at);
                if (!more.hasMatch())
                    break;
                at += more.capturedLength();
            }
            break;
        }
        case Name:
        case UnicodeName: {
            const auto m = anchored(nameBody, at);
            if (!m.hasMatch())
                return std::nullopt;
            at += m.capturedLength();
            break;
        }
        case DollarDelimiter: {
            const qsizetype close = sql.indexOf(sql.mid(start, length), at);
            if (close < 0)
                return std::nullopt;
            at = close + length;
            break;
        }
        default: break;
        }
        token = true;
    }
    return statements + (token ? 1 : 0);
}

} // namespace varnel::fuzz
