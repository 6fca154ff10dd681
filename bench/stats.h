#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

// What the benchmark prints of its samples.
namespace bench {

inline double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline QString samples(const QList<double>& v) {
    QStringList s;
    for (double x : v)
        s << QString::number(x, 'f', 1);
    return s.join(u' ');
}

} // namespace bench
