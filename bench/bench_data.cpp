#include "bench_data.h"

#include "files/text_file.h"
#include "store/keys.h"
#include "store/settings_store.h"

#include <QDir>
#include <QFile>

namespace benchdata {

namespace {

// Pieces of ordinary Japanese memo text: kanji, kana, full-width and
// half-width forms, a little ASCII and punctuation.
const char16_t* const Pieces[] = {
    u"今日は",       u"天気",
    u"が良い",       u"ので",
    u"散歩",         u"に行きました。",
    u"会議",         u"の議事録",
    u"を作成",       u"する",
    u"予定",         u"です。",
    u"メモ",         u"帳",
    u"東京",         u"大阪",
    u"プロジェクト", u"資料",
    u"確認",         u"お願いします。",
    u"１２３",       u"２０２４年",
    u"ｶﾀｶﾅ",         u"ABC",
    u"test",         u"、",
    u"「",           u"」",
    u"・",           u"（注）",
    u"データ",       u"ファイル",
    u"保存",         u"削除",
    u"変更",         u"しました",
    u"ありがとう",   u"ございます",
    u"吾輩",         u"は猫である",
    u"名前",         u"はまだ無い",
    u"どこで",       u"生れたか",
    u"とんと",       u"見当が",
    u"つかぬ",       u"　",
    u"売上",         u"報告",
    u"来週",         u"月曜日",
    u"までに",       u"提出",
};
constexpr int PieceCount = int(sizeof Pieces / sizeof Pieces[0]);

qsizetype cp932Bytes(QStringView s) {
    qsizetype n = 0;
    for (QChar c : s)
        n += (c.unicode() < 0x80 || (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F)) ? 1 : 2;
    return n;
}

struct Lines {
    quint32 state;
    quint32 next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    // One line with its CR LF.
    QString line() {
        const int chars = 10 + int(next() % 61);
        QString s;
        while (s.size() < chars)
            s += QString::fromUtf16(Pieces[next() % PieceCount]);
        s.truncate(chars);
        return s + QStringLiteral("\r\n");
    }
};

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void write(const QString& path, const QString& text) {
    writeBytes(path, textfile::encode(text));
}

// The file in code page 932 and its UTF-8 form beside it.
void writeBoth(const QString& path, const QString& text) {
    write(path, text);
    writeBytes(Files::utf8(path), text.toUtf8());
}

} // namespace

QString needle() {
    return QStringLiteral("終端の目印");
}
QString target() {
    return QStringLiteral("鳳凰");
}
QString replacement() {
    return QStringLiteral("不死鳥");
}

QString filler(qsizetype bytes, quint32 seed) {
    Lines lines{seed};
    QString text;
    text.reserve(bytes * 6 / 10);
    qsizetype size = 0;
    while (size < bytes) {
        const QString l = lines.line();
        size += cp932Bytes(l);
        text += l;
    }
    return text;
}

QString Files::utf8(const QString& file) {
    QString s = file;
    s.chop(4); // ".txt"
    return s + QStringLiteral(".utf8.txt");
}

Files locate(const QString& dir) {
    const QDir d(dir);
    return {d.filePath(QStringLiteral("text5.txt")),   d.filePath(QStringLiteral("text20.txt")),
            d.filePath(QStringLiteral("text10.txt")),  d.filePath(QStringLiteral("nine.sqlite")),
            d.filePath(QStringLiteral("text100.txt")), d.filePath(QStringLiteral("line5.txt"))};
}

Files make(const QString& dir) {
    const Files f = locate(dir);
    const qsizetype MB = 1000 * 1000;

    const QString five = filler(5 * MB, 5);
    write(f.text5, five);
    writeBoth(f.text20, filler(20 * MB - cp932Bytes(needle()), 20) + needle());
    writeBoth(f.text100, filler(100 * MB - cp932Bytes(needle()), 100) + needle());
    // Lines run together: about 4.7 MB of text without a line end.
    QString line = filler(4850 * 1000, 47);
    line.remove(QStringLiteral("\r\n"));
    for (qsizetype over = cp932Bytes(line) + cp932Bytes(needle()) - 4700 * 1000; over > 0;)
        over -= cp932Bytes(QStringView(line).right(1)), line.chop(1);
    writeBoth(f.line5, line + needle());

    // 10 MB with the word spread evenly over the lines, once in a line at most.
    const qsizetype wordBytes = cp932Bytes(target()) * TargetOccurrences;
    const QString plain = filler(10 * MB - wordBytes, 10);
    const QStringList lines = plain.split(QStringLiteral("\r\n"));
    const qsizetype n = lines.size() - 1; // the text ends in CR LF
    QString ten;
    ten.reserve(plain.size() + target().size() * TargetOccurrences);
    for (qsizetype i = 0; i < n; ++i) {
        const QString& l = lines[i];
        if ((i + 1) * TargetOccurrences / n != i * TargetOccurrences / n)
            ten += l.left(l.size() / 2) + target() + l.mid(l.size() / 2);
        else
            ten += l;
        ten += QStringLiteral("\r\n");
    }
    write(f.text10, ten);

    QFile::remove(f.store);
    SettingsStore store(f.store);
    SettingsStore::Batch batch(store);
    for (int p = 1; p <= 9; ++p)
        store.WriteSetting(keys::page(p), QStringLiteral("ページ%1\r\n").arg(p) + five);
    store.WriteSetting(keys::Page, QStringLiteral("1"));
    return f;
}

} // namespace benchdata
