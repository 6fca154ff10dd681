// The text view's contract: a text comes back exactly as it went in, and
// positions count UTF-16 units with a CR LF counting 2. The shown view (a
// document) and the hidden view (a string) must answer every question the
// same way after the same steps, and both must agree with a plain string
// edited alongside.

#include "editor/textview.h"
#include "fuzz_common.h"

#include <QApplication>
#include <QWidget>

namespace {

// Units the input picks from: line ends alone and in pairs, the characters
// the document cannot hold as themselves, and their stand-ins.
constexpr char16_t Alphabet[] = {u'a',   u'b',   u'\r',  u'\n',  0x2029, 0xFDD0, 0xFDD1,
                                 0x2028, 0x240D, 0xFFFD, 0x0000, 0x3042, 0x00A0, 0xD83D,
                                 0xDE00, u'\t',  0x000B, 0x000C, 0x0085, 0x2028};

QString pick(Bytes& in, int count) {
    QString s;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t b = in.next();
        if (b % 8 == 7)
            s += QStringLiteral("\r\n"); // the common line end, often
        else
            s += QChar(Alphabet[b % std::size(Alphabet)]);
    }
    return s;
}

qsizetype outOfCrLf(const QString& t, qsizetype p) {
    if (p > 0 && p < t.size() && t[p - 1] == u'\r' && t[p] == u'\n')
        return p - 1;
    return p;
}

QWidget* host = nullptr;
TextView* shown = nullptr;
TextView* hidden = nullptr;

// A hidden view keeps its text as a string and builds no document; the
// shown one holds its text in its document.
bool hiddenHoldsNoDocument(const TextView& v) {
    return v.document()->isEmpty();
}
bool shownHoldsDocument(const TextView& v) {
    return v.document()->isEmpty() == (v.textLength() == 0);
}

void agree(const QString& model) {
    for (TextView* v : {shown, hidden}) {
        FUZZ_CHECK(v->text() == model);
        FUZZ_CHECK(v->textLength() == model.size());
        const qsizetype s = v->selStart(), l = v->selLength();
        FUZZ_CHECK(s >= 0 && l >= 0 && s + l <= model.size());
        FUZZ_CHECK(v->selText() == model.mid(s, l));
    }
    FUZZ_CHECK(shown->selStart() == hidden->selStart());
    FUZZ_CHECK(shown->selLength() == hidden->selLength());
}

} // namespace

// The font library keeps its caches until the process ends.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    host = new QWidget;
    shown = new TextView(host);
    hidden = new TextView(host);
    host->show();
    hidden->hide();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in{data, size};
    QString model = pick(in, in.next() % 24);
    QString& trace = fuzzTrace();
    trace = QStringLiteral("setText \"%1\"").arg(readable(model));
    shown->setText(model);
    hidden->setText(model);
    FUZZ_CHECK(hiddenHoldsNoDocument(*hidden) && shownHoldsDocument(*shown));
    FUZZ_CHECK(shown->selStart() == 0 && shown->selLength() == 0);
    agree(model);

    for (int steps = 0; steps < 12 && !in.done(); ++steps) {
        const std::uint8_t op = in.next();
        const qsizetype arg = qsizetype(in.next() % 40) - 4;
        trace += QStringLiteral("\n[sel %1+%2] ").arg(shown->selStart()).arg(shown->selLength());
        switch (op % 5) {
        case 0: { // caret
            const qsizetype before = std::clamp<qsizetype>(arg, 0, model.size());
            trace += QStringLiteral("setSelStart(%1)").arg(arg);
            shown->setSelStart(arg);
            hidden->setSelStart(arg);
            FUZZ_CHECK(shown->selStart() == outOfCrLf(model, before));
            FUZZ_CHECK(shown->selLength() == 0);
            break;
        }
        case 1: { // selection grows from the caret
            const qsizetype start = shown->selStart();
            trace += QStringLiteral("setSelLength(%1)").arg(arg);
            shown->setSelLength(arg);
            hidden->setSelLength(arg);
            FUZZ_CHECK(shown->selStart() == start);
            const qsizetype end = outOfCrLf(
                model, std::min<qsizetype>(start + std::max<qsizetype>(arg, 0), model.size()));
            FUZZ_CHECK(shown->selLength() == std::max<qsizetype>(end - start, 0));
            break;
        }
        case 2: { // typing over the selection
            const QString t = pick(in, int(arg & 3));
            const qsizetype s = shown->selStart(), l = shown->selLength();
            trace += QStringLiteral("replaceSelection(\"%1\")").arg(readable(t));
            shown->replaceSelection(t);
            hidden->replaceSelection(t);
            model = model.left(s) + t + model.mid(s + l);
            FUZZ_CHECK(shown->selStart() == s + t.size());
            FUZZ_CHECK(shown->selLength() == 0);
            break;
        }
        case 3: { // replace all
            const QString t = pick(in, int(arg & 15));
            const qsizetype caret = std::clamp<qsizetype>(arg, 0, t.size());
            trace += QStringLiteral("replaceAllText(\"%1\", %2)").arg(readable(t)).arg(caret);
            shown->replaceAllText(t, caret);
            hidden->replaceAllText(t, caret);
            model = t;
            trace += QStringLiteral(" -> shown %1, hidden %2")
                         .arg(shown->selStart())
                         .arg(hidden->selStart());
            FUZZ_CHECK(shown->selStart() == outOfCrLf(model, caret));
            break;
        }
        default: { // the word-wrap switch: the views trade places
            const qsizetype s = shown->selStart(), l = shown->selLength();
            trace += QStringLiteral("switch views");
            std::swap(shown, hidden);
            hidden->hide();
            shown->show();
            FUZZ_CHECK(hiddenHoldsNoDocument(*hidden) && shownHoldsDocument(*shown));
            // The selection comes across as it was; only where it stood inside a
            // CR LF may the view that now shows it have to put it before the CR.
            const qsizetype s2 = shown->selStart(), e2 = s2 + shown->selLength();
            FUZZ_CHECK(s2 == s || s2 == outOfCrLf(model, s));
            FUZZ_CHECK(e2 == s + l || e2 == outOfCrLf(model, s + l));
            // The hidden view follows, as the word-wrap switch carries it over.
            hidden->setSelStart(s2);
            hidden->setSelLength(e2 - s2);
            break;
        }
        }
        agree(model);
    }
    return 0;
}
