#include "numeric_value.h"

#include <QLocale>

#include <cmath>

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A whole number in base 16 or 8 after "&H" / "&O".
std::optional<double> radixValue(const QString &digits, int base)
{
    double value = 0;
    for (QChar c : digits) {
        int digit;
        if (isDigit(c))
            digit = c.unicode() - '0';
        else if (base == 16 && c.toUpper() >= u'A' && c.toUpper() <= u'F')
            digit = c.toUpper().unicode() - 'A' + 10;
        else
            break;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    if (std::isinf(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> numericValue(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (!isSkipped(c))
            s += c;
    }

    if (s.size() >= 2 && s[0] == u'&') {
        const QChar radix = s[1].toUpper();
        if (radix == u'H')
            return radixValue(s.mid(2), 16);
        if (radix == u'O')
            return radixValue(s.mid(2), 8);
        return 0.0;
    }

    // The longest prefix that reads as a decimal number.
    qsizetype i = 0;
    QString number;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        number += s[i++];
    qsizetype mantissaDigits = 0;
    while (i < s.size() && isDigit(s[i])) {
        number += s[i++];
        ++mantissaDigits;
    }
    if (i < s.size() && s[i] == u'.') {
        number += s[i++];
        while (i < s.size() && isDigit(s[i])) {
            number += s[i++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0.0;
    if (i < s.size() && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            exponent += s[j++];
        qsizetype exponentDigits = 0;
        while (j < s.size() && isDigit(s[j])) {
            exponent += s[j++];
            ++exponentDigits;
        }
        if (exponentDigits > 0)
            number += exponent;
    }

    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (std::isinf(value) || std::isnan(value))
        return std::nullopt;
    if (!ok) {
        // Only an overflow makes a well-formed prefix fail; an underflow reads as 0.
        if (std::abs(value) == 0.0)
            return 0.0;
        return std::nullopt;
    }
    return value;
}

double numericValueOr(const QString &text, double fallback)
{
    return numericValue(text).value_or(fallback);
}
