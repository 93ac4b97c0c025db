#include "engine/core/wildcard.h"

#include <vector>

namespace {

// One pattern element. Everything but Star consumes exactly one character of the text.
struct Token {
    enum Kind { Literal, Any, Digit, Set, Star } kind = Literal;
    QChar ch;                                    // Literal
    bool negated = false;                        // Set
    std::vector<std::pair<QChar, QChar>> ranges; // Set: inclusive ranges
};

std::vector<Token> parse(const QString& pattern) {
    std::vector<Token> tokens;
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern[i];
        Token t;
        if (c == QLatin1Char('*')) {
            if (!tokens.empty() && tokens.back().kind == Token::Star)
                continue; // "**" is the same as "*"
            t.kind = Token::Star;
        } else if (c == QLatin1Char('?')) {
            t.kind = Token::Any;
        } else if (c == QLatin1Char('#')) {
            t.kind = Token::Digit;
        } else if (c == QLatin1Char('[') && pattern.indexOf(QLatin1Char(']'), i + 1) > i) {
            const qsizetype close = pattern.indexOf(QLatin1Char(']'), i + 1);
            t.kind = Token::Set;
            qsizetype j = i + 1;
            if (j < close && pattern[j] == QLatin1Char('!')) {
                t.negated = true;
                ++j;
            }
            while (j < close) {
                const QChar from = pattern[j];
                if (j + 2 < close && pattern[j + 1] == QLatin1Char('-')) {
                    QChar to = pattern[j + 2];
                    t.ranges.emplace_back(from < to ? from : to, from < to ? to : from);
                    j += 3;
                } else {
                    t.ranges.emplace_back(from, from);
                    ++j;
                }
            }
            i = close;
        } else {
            t.kind = Token::Literal;
            t.ch = c;
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

bool fitsOne(const Token& t, QChar c) {
    switch (t.kind) {
    case Token::Literal:
        return t.ch == c;
    case Token::Any:
        return true;
    case Token::Digit:
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    case Token::Set: {
        bool in = false;
        for (const auto& [from, to] : t.ranges)
            if (c >= from && c <= to) {
                in = true;
                break;
            }
        return in != t.negated;
    }
    case Token::Star:
        break;
    }
    return false;
}

} // namespace

bool WildcardMatch(const QString& text, const QString& pattern) {
    if (text == pattern)
        return true;
    const std::vector<Token> tokens = parse(pattern);
    const qsizetype n = text.size();
    const std::size_t m = tokens.size();
    std::size_t ti = 0; // token index
    qsizetype si = 0;   // text index
    std::size_t starToken = m;
    qsizetype starText = 0;
    // Greedy walk with backtracking to the last star: linear in practice, never exponential.
    while (si < n) {
        if (ti < m && tokens[ti].kind == Token::Star) {
            starToken = ti++;
            starText = si;
        } else if (ti < m && fitsOne(tokens[ti], text[si])) {
            ++ti;
            ++si;
        } else if (starToken != m) {
            ti = starToken + 1;
            si = ++starText;
        } else {
            return false;
        }
    }
    while (ti < m && tokens[ti].kind == Token::Star)
        ++ti;
    return ti == m;
}
