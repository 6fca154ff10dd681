#include "store/values.h"

#include <cmath>
#include <limits>

namespace values {

namespace {
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
} // namespace

double number(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j]))
                ++j;
            end = j;
        }
    }
    bool ok = false;
    const double v = text.mid(start, end - start).toString().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return 0.0;
    return v;
}

std::int32_t roundEven(double value) {
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value); // the default mode rounds halves to even
    if (r >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (r <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

std::int32_t integer(QStringView text) {
    return roundEven(number(text));
}

bool flag(QStringView text) {
    const QStringView t = text.trimmed();
    if (t.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    return number(t) != 0.0;
}

QString flagText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString numberText(double value) {
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString s = QString::number(value, 'f', 4);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    if (s == u"-0")
        s = QStringLiteral("0");
    return s;
}

} // namespace values
