#pragma once

// What the store-writing helper writes, so that the harness can tell for
// every key which write it came from and whether the value is whole.
//
// Every value carries a tag: the number of the helper run that wrote it.
// A page text is long, so a torn write would show; the other keys are short.

#include <QString>
#include <QStringList>

namespace storemodel {

// The keys shut-down writes, in its order, with the key of the page on show.
inline QStringList shutdownKeys(int page) {
    QStringList keys = {
        QStringLiteral("Page"),     QStringLiteral("Ret"),      QString::number(page),
        QStringLiteral("SelStart"), QStringLiteral("SelLen"),   QStringLiteral("FontSize"),
        QStringLiteral("FontName"), QStringLiteral("FontBold"), QStringLiteral("FontI"),
        QStringLiteral("FontS"),    QStringLiteral("FontU"),    QStringLiteral("FontC"),
        QStringLiteral("ComLine"),  QStringLiteral("NoeNumOP"), QStringLiteral("AutoOP"),
        QStringLiteral("Window"),   QStringLiteral("Top"),      QStringLiteral("Left"),
        QStringLiteral("Width"),    QStringLiteral("Height")};
    return keys;
}

inline bool isPageKey(const QString& key) {
    return key.size() == 1 && key[0] >= u'1' && key[0] <= u'9';
}

// Japanese lines with CR LF ends, the same for the same page and tag.
inline QString pageText(int page, int tag, qsizetype units) {
    static const QString words[] = {QStringLiteral("吾輩は猫である。"),
                                    QStringLiteral("名前はまだ無い。"),
                                    QStringLiteral("どこで生れたかとんと見当がつかぬ。"),
                                    QStringLiteral("メモ帳"),
                                    QStringLiteral("ＡＢＣ１２３"),
                                    QStringLiteral("ｶﾀｶﾅ"),
                                    QStringLiteral("abc def")};
    QString t = QStringLiteral("P%1T%2\r\n").arg(page).arg(tag);
    t.reserve(units + 64);
    quint32 state = quint32(page) * 2654435761u ^ quint32(tag) * 40503u;
    while (t.size() < units) {
        state = state * 1664525u + 1013904223u;
        t += words[(state >> 16) % 7];
        if ((state >> 8) % 4 == 0)
            t += QStringLiteral("\r\n");
    }
    t += QStringLiteral("\r\nE%1\r\n").arg(tag);
    return t;
}

inline QString shortValue(const QString& key, int tag) {
    return key + u'#' + QString::number(tag);
}

// The tag a value was written with, or -1 when the value is not one the
// helper writes in whole (torn, mixed or foreign).
inline int tagOf(const QString& key, const QString& value, qsizetype units) {
    if (isPageKey(key)) {
        if (!value.startsWith(u'P'))
            return -1;
        const qsizetype t = value.indexOf(u'T');
        const qsizetype end = value.indexOf(u'\r');
        if (t < 0 || end < t)
            return -1;
        bool ok = false;
        const int tag = value.mid(t + 1, end - t - 1).toInt(&ok);
        if (!ok || value != pageText(key.toInt(), tag, units))
            return -1;
        return tag;
    }
    const qsizetype hash = value.lastIndexOf(u'#');
    if (hash < 0 || value.left(hash) != key)
        return -1;
    bool ok = false;
    const int tag = value.mid(hash + 1).toInt(&ok);
    return ok ? tag : -1;
}

inline QString valueFor(const QString& key, int tag, qsizetype units) {
    return isPageKey(key) ? pageText(key.toInt(), tag, units) : shortValue(key, tag);
}

} // namespace storemodel
