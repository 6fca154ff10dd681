#include "editor/text_capture.h"
#include "editor/textview.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QUrl>

// Mixes every kind of line end with characters the document treats specially.
static const QString Mixed = QStringLiteral("ab\r\n\U0001F600\n\r\r\nx\u00A0\r\n\r\u2028\n\r\n");

// Where the caret lands for a requested position: inside the text, and never
// between the CR and the LF of a CR LF.
static qsizetype landing(const QString& t, qsizetype p) {
    p = std::clamp<qsizetype>(p, 0, t.size());
    if (p > 0 && p < t.size() && t[p - 1] == u'\r' && t[p] == u'\n')
        return p - 1;
    return p;
}

// The text as the idle save takes it: a slice at a time, then turned into
// the text. `meanwhile` edits the view after the first two slices.
static QString captured(TextView& v, const std::function<void(TextView&)>& meanwhile = {}) {
    TextCapture capture;
    std::optional<QString> result;
    capture.start(v, [&](doctext::Raw raw) { result = doctext::textOf(raw); });
    if (meanwhile) {
        capture.step();
        capture.step();
        meanwhile(v);
    }
    for (int i = 0; i < 1000 && !result; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return result.value_or(QStringLiteral("(not taken)"));
}

class ProbeView : public TextView {
public:
    using TextView::canInsertFromMimeData;
    using TextView::insertFromMimeData;
};

class TstTextView : public QObject {
    Q_OBJECT

    enum Mode { Shown, Hidden };
    enum Edit { Load, Replace, ReplaceAll, Typed };

    // A view showing its document, or one hidden on purpose (text kept as a string).
    static void prepare(TextView& v, Mode mode) {
        v.resize(400, 300);
        if (mode == Shown)
            v.show();
        else
            v.setVisible(false);
    }

    static void addModes(const char* name, const QString& text) {
        QTest::addRow("%s, shown", name) << int(Shown) << text;
        QTest::addRow("%s, hidden", name) << int(Hidden) << text;
    }

private slots:
    void roundTrip_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        addModes("empty", QString());
        addModes("CR LF lines", QStringLiteral("一行目\r\n二行目\r\n"));
        addModes("only line ends", QStringLiteral("\r\n\r\n"));
        addModes("lone LF", QStringLiteral("a\nb\n"));
        addModes("lone CR", QStringLiteral("a\rb\r"));
        addModes("CR CR LF", QStringLiteral("a\r\r\nb"));
        addModes("LF CR", QStringLiteral("a\n\rb\n\r"));
        addModes("surrogate pairs", QStringLiteral("\U0001F600\r\n\U0001F600x"));
        addModes("NUL and no-break space", QStringView(u"a\0b\u00A0c\r\n\0", 9).toString());
        addModes("look-alikes of stand-ins", QStringLiteral("\u2028\n\u240D\r\uFFFD\u2029"));
        addModes("separators and frame marks", QStringLiteral("\u2029x\uFDD0\r\n\uFDD1"));
        addModes("mixed", Mixed);
        // One line far longer than the view keeps shaped for good.
        addModes("one very long line", QStringLiteral("長い行 ").repeated(3000));
        // Long enough to be built in steps; a CR LF and a lone LF stand right
        // where a step would end.
        // (The CR LF of the 2^18th short line straddles the first step's end.)
        const QString steps = QStringLiteral("p") + QStringLiteral("ab\r\n").repeated(1 << 19) +
                              QStringLiteral("lone\nLF\r\n");
        addModes("built in steps, line ends at a step's end", steps);
    }

    void roundTrip() {
        QFETCH(int, mode);
        QFETCH(QString, text);
        TextView v;
        prepare(v, Mode(mode));
        v.setText(text);
        QCOMPARE(v.text(), text);
        QCOMPARE(captured(v), text);
        QCOMPARE(v.textLength(), text.size());
        QCOMPARE(v.selStart(), 0);
        QCOMPARE(v.selLength(), 0);
        if (mode == Shown) {
            // One block per line: lines end in CR LF, or all in a lone LF or CR.
            const QString lineEnd = lineEndText(lineEndOf(text)).toString();
            QCOMPARE(v.document()->blockCount(), text.count(lineEnd) + 1);
        }

        // Showing and hiding never alter the text.
        v.setVisible(mode == Hidden);
        if (!text.isEmpty()) // hidden, the view builds no document
            QCOMPARE(v.document()->isEmpty(), mode == Shown);
        QCOMPARE(v.text(), text);
        v.setVisible(mode == Shown);
        QCOMPARE(v.text(), text);
        QCOMPARE(v.textLength(), text.size());
    }

    // The idle save takes a long page a slice at a time; whatever is edited
    // meanwhile, what it takes is the text as it stands when it ends.
    void captureFollowsEdits_data() {
        QTest::addColumn<QString>("edit");
        QTest::newRow("typing in what was taken") << "type early";
        QTest::newRow("typing in what was not taken yet") << "type late";
        QTest::newRow("deleting across what was taken") << "delete";
        QTest::newRow("a lone LF typed in what was taken") << "lone LF";
        QTest::newRow("the view hidden (word wrap switched)") << "hide";
        QTest::newRow("the whole text replaced") << "replace";
    }
    void captureFollowsEdits() {
        QFETCH(QString, edit);
        QString text;
        for (int i = 0; text.size() < 3 * TextCapture::SliceUnits; ++i)
            text += QStringLiteral("行%1 あいうえお abc\r\n").arg(i);
        TextView v;
        prepare(v, Shown);
        v.setText(text);
        const QString got = captured(v, [&](TextView& view) {
            if (edit == u"type early" || edit == u"lone LF") {
                view.setSelStart(100);
                view.replaceSelection(edit == u"lone LF" ? QStringLiteral("\n")
                                                         : QStringLiteral("追記"));
            } else if (edit == u"type late") {
                view.setSelStart(view.textLength() - 3);
                view.replaceSelection(QStringLiteral("末尾"));
            } else if (edit == u"delete") {
                view.setSelStart(2 * TextCapture::SliceUnits - 50);
                view.setSelLength(100);
                view.replaceSelection(QString());
            } else if (edit == u"hide") {
                view.setVisible(false);
            } else {
                view.setText(QStringLiteral("新しい\r\nテキスト"));
            }
        });
        QCOMPARE(got.size(), v.text().size());
        QVERIFY(got == v.text());
        QVERIFY(got != text || edit == u"hide");
    }

    void textOfLoneLineEndsStaysManyLines_data() {
        QTest::addColumn<QString>("lineEnd");
        QTest::newRow("LF") << QStringLiteral("\n");
        QTest::newRow("CR") << QStringLiteral("\r");
    }
    void textOfLoneLineEndsStaysManyLines() {
        // A long file from another system must not become one line laid out
        // in one piece: its own line ends are the view's lines.
        QFETCH(QString, lineEnd);
        QString text;
        for (int i = 0; i < 20000; ++i)
            text += QStringLiteral("行%1").arg(i) + lineEnd;
        TextView v;
        v.show();
        v.setText(text);
        QCOMPARE(v.document()->blockCount(), 20001);
        QCOMPARE(v.text(), text);
        // Positions are one to one: a lone line end is one unit.
        const qsizetype p = text.indexOf(QStringLiteral("行100"));
        v.setSelStart(p);
        v.setSelLength(4);
        QCOMPARE(v.selText(), QStringLiteral("行100"));
        QCOMPARE(v.selStart(), p);
        // Enter adds the text's own kind of line end; a CR LF inserted later
        // still comes back as it went in.
        v.setSelStart(0);
        QTest::keyClick(&v, Qt::Key_Return);
        v.replaceSelection(QStringLiteral("x\r\ny"));
        QCOMPARE(v.text(), lineEnd + QStringLiteral("x\r\ny") + text);
        QCOMPARE(v.selStart(), lineEnd.size() + 4);
    }

    void hiddenViewHoldsNoDocument() {
        TextView v;
        v.setText(QStringLiteral("before hiding"));
        QVERIFY(!v.document()->isEmpty());
        v.setVisible(false);
        QVERIFY(v.document()->isEmpty());
        v.setText(QStringLiteral("set while hidden"));
        QVERIFY(v.document()->isEmpty());
        v.show();
        QCOMPARE(v.document()->toRawText(), QStringLiteral("set while hidden"));
    }

    void positionsMapBothWays_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        addModes("mixed", Mixed);
    }

    void positionsMapBothWays() {
        QFETCH(int, mode);
        QFETCH(QString, text);
        TextView v;
        prepare(v, Mode(mode));
        v.setText(text);
        for (qsizetype p = -2; p <= text.size() + 2; ++p) {
            v.setSelStart(p);
            QCOMPARE(v.selStart(), landing(text, p));
            QCOMPARE(v.selLength(), 0);
        }
        for (qsizetype s = 0; s <= text.size(); ++s) {
            for (qsizetype e = s; e <= text.size() + 2; ++e) {
                v.setSelStart(s);
                v.setSelLength(e - s);
                const qsizetype start = landing(text, s);
                const qsizetype end = std::max(start, landing(text, start + (e - s)));
                QCOMPARE(v.selStart(), start);
                QCOMPARE(v.selLength(), end - start);
                QCOMPARE(v.selText(), text.mid(start, end - start));
            }
        }
        v.setSelStart(3);
        v.setSelLength(-4);
        QCOMPARE(v.selLength(), 0);
    }

    void selectionSurvivesHideAndShow() {
        TextView v;
        prepare(v, Shown);
        v.setText(Mixed);
        v.setSelStart(5);
        v.setSelLength(6);
        v.setVisible(false);
        QCOMPARE(v.selStart(), 5);
        QCOMPARE(v.selText(), Mixed.mid(5, 6));
        v.setSelStart(2);
        v.setSelLength(8);
        v.show();
        QCOMPARE(v.selStart(), 2);
        QCOMPARE(v.selText(), Mixed.mid(2, 8));
    }

    void replaceSelection_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("after");
        for (int mode : {Shown, Hidden}) {
            const char* m = mode == Shown ? "shown" : "hidden";
            QTest::addRow("word, %s", m) << mode << QStringLiteral("abc\r\ndef") << 1 << 1
                                         << QStringLiteral("XY") << QStringLiteral("aXYc\r\ndef");
            QTest::addRow("lines with every line end, %s", m)
                << mode << QStringLiteral("ab") << 1 << 0 << QStringLiteral("1\r\n2\n3\r")
                << QStringLiteral("a1\r\n2\n3\rb");
            QTest::addRow("across a line end, %s", m) << mode << QStringLiteral("ab\r\ncd") << 1
                                                      << 4 << QString() << QStringLiteral("ad");
            QTest::addRow("look-alikes, %s", m)
                << mode << QStringLiteral("\u2028") << 1 << 0 << QStringLiteral("\u2028\u2029")
                << QStringLiteral("\u2028\u2028\u2029");
        }
    }

    void replaceSelection() {
        QFETCH(int, mode);
        QFETCH(QString, before);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, inserted);
        QFETCH(QString, after);
        TextView v;
        prepare(v, Mode(mode));
        v.setText(before);
        v.setSelStart(start);
        v.setSelLength(length);
        v.replaceSelection(inserted);
        QCOMPARE(v.text(), after);
        QCOMPARE(v.selStart(), start + inserted.size());
        QCOMPARE(v.selLength(), 0);
        if (mode == Shown) {
            // One undo step takes the whole replacement back.
            v.document()->undo();
            QCOMPARE(v.text(), before);
            QVERIFY(!v.document()->isUndoAvailable());
        }
    }

    // The whole text replaced (replace all, a restore from the history) is
    // one edit, whatever the lines of the old and the new text end in: one
    // undo brings the old text back exactly, one redo the new.
    void replaceAllText_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("text");
        const QString crlf = QStringLiteral("old\r\ntext\r\n");
        const auto rows = [](const char* name, const QString& before, const QString& text) {
            QTest::addRow("%s, shown", name) << int(Shown) << before << text;
            QTest::addRow("%s, hidden", name) << int(Hidden) << before << text;
        };
        rows("mixed over CR LF", crlf, Mixed);
        rows("LF over CR LF", crlf, QStringLiteral("new\ntext\n"));
        rows("CR over CR LF", crlf, QStringLiteral("new\rtext\r"));
        rows("CR LF over LF", QStringLiteral("old\ntext\n"), QStringLiteral("new text\r\nmore"));
        rows("CR over LF", QStringLiteral("old\ntext\n"), QStringLiteral("new\rtext\r"));
        rows("mixed over CR", QStringLiteral("old\rtext"), Mixed);
        rows("no line end over LF", QStringLiteral("old\ntext\n"), QStringLiteral("new text"));
    }

    void replaceAllText() {
        QFETCH(int, mode);
        QFETCH(QString, before);
        QFETCH(QString, text);
        TextView v;
        prepare(v, Mode(mode));
        v.setText(before);
        v.replaceAllText(text, 4);
        QCOMPARE(v.text(), text);
        QCOMPARE(v.selStart(), 4);
        QCOMPARE(v.selLength(), 0);
        if (mode == Shown) {
            QVERIFY(v.document()->isUndoAvailable());
            v.document()->undo();
            QCOMPARE(v.text(), before);
            QCOMPARE(v.lineEnd(), lineEndOf(before));
            v.document()->redo();
            QCOMPARE(v.text(), text);
            QCOMPARE(v.lineEnd(), lineEndOf(text));
            // Enter goes on with the line end the new text's lines have.
            QTest::keyClick(&v, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(&v, Qt::Key_Return);
            QCOMPARE(v.text(), text + lineEndText(v.lineEnd()).toString());
        }
        v.replaceAllText(QStringLiteral("x\r\nyz"), 2); // inside a CR LF
        QCOMPARE(v.selStart(), 1);
    }

    // Without wrapping, the caret of a page holding a line of thousands of
    // characters stands still while the view has the focus (each blink would
    // find the part of the line in view anew), however the line came into the
    // page; it blinks again once the view loses the focus.
    void caretStandsStillOnLongLines_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("edit");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<bool>("still");
        const QString shortLines = QStringLiteral("短い行\r\n").repeated(3);
        const QString a3000(3000, u'a'), b2000(2000, u'b'), c5000(5000, u'c');
        QTest::newRow("loaded, in the middle")
            << shortLines + c5000 + QStringLiteral("\r\n") + shortLines << int(Load) << 0 << 0
            << QString() << true;
        QTest::newRow("loaded, lone LFs and CRs inside a line")
            << shortLines + a3000 + u'\n' + b2000 + u'\r' + b2000 + QStringLiteral("\r\n")
            << int(Load) << 0 << 0 << QString() << true;
        QTest::newRow("loaded, lone LF line ends")
            << QStringLiteral("x\n") + c5000 + QStringLiteral("\ny") << int(Load) << 0 << 0
            << QString() << true;
        QTest::newRow("loaded, a line just long enough")
            << shortLines + QString(4096, u'd') + QStringLiteral("\r\n") + shortLines << int(Load)
            << 0 << 0 << QString() << true;
        QTest::newRow("loaded, last line")
            << shortLines + c5000 << int(Load) << 0 << 0 << QString() << true;
        QTest::newRow("loaded, short lines only")
            << shortLines + a3000 + QStringLiteral("\r\n") + a3000 << int(Load) << 0 << 0
            << QString() << false;
        QTest::newRow("inserted, in the middle")
            << shortLines << int(Replace) << 2 << 1
            << QStringLiteral("\r\n") + c5000 + u'\r' + u'\n' << true;
        QTest::newRow("inserted, one piece joins its line")
            << QStringLiteral("x\r\n") + a3000 + QStringLiteral("\r\ny") << int(Replace) << 1003
            << 0 << b2000 << true;
        QTest::newRow("inserted, first line joins the line before")
            << QStringLiteral("x\r\n") + a3000 << int(Replace) << 3003 << 0
            << b2000 + QStringLiteral("\r\n") + shortLines << true;
        QTest::newRow("inserted, last line joins the line after")
            << QStringLiteral("x\r\n") + a3000 << int(Replace) << 3 << 0 << shortLines + b2000
            << true;
        QTest::newRow("all replaced") << shortLines << int(ReplaceAll) << 0 << 0
                                      << shortLines + a3000 + u'\n' + b2000 + shortLines << true;
        QTest::newRow("typed into a line")
            << QStringLiteral("x\r\n") + a3000 << int(Typed) << 1003 << 0 << b2000 << true;
    }

    void caretStandsStillOnLongLines() {
        QFETCH(QString, before);
        QFETCH(int, edit);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, inserted);
        QFETCH(bool, still);
        TextView v;
        v.setLineWrapMode(QPlainTextEdit::NoWrap);
        prepare(v, Shown);
        v.setText(before);
        if (edit == ReplaceAll) {
            v.replaceAllText(inserted, 0);
        } else if (edit != Load) {
            v.setSelStart(start);
            v.setSelLength(length);
            if (edit == Typed)
                v.textCursor().insertText(inserted); // as the toolkit puts in what is typed
            else
                v.replaceSelection(inserted);
        }
        QStyleHints* hints = QGuiApplication::styleHints();
        const int blink = hints->cursorFlashTime();
        QVERIFY(blink > 0);
        QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
        QApplication::sendEvent(&v, &in);
        QCOMPARE(hints->cursorFlashTime(), still ? 0 : blink);
        QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
        QApplication::sendEvent(&v, &out);
        QCOMPARE(hints->cursorFlashTime(), blink);
    }

    void setTextStartsAfresh() {
        TextView v;
        prepare(v, Shown);
        QString lines;
        for (int i = 0; i < 300; ++i)
            lines += QStringLiteral("line %1\r\n").arg(i);
        v.setText(lines);
        v.setSelStart(lines.size());
        QTest::keyClicks(&v, QStringLiteral("typed"));
        QVERIFY(v.document()->isUndoAvailable());
        QVERIFY(v.verticalScrollBar()->value() > 0);
        v.setText(lines);
        QVERIFY(!v.document()->isUndoAvailable());
        QCOMPARE(v.selStart(), 0);
        QCOMPARE(v.selLength(), 0);
        QCOMPARE(v.verticalScrollBar()->value(), 0);
    }

    void enterInsertsCrLf_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Shift+Return") << int(Qt::Key_Return) << int(Qt::ShiftModifier);
    }

    void enterInsertsCrLf() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        TextView v;
        prepare(v, Shown);
        v.setText(QStringLiteral("ab"));
        v.setSelStart(1);
        QSignalSpy typed(&v, &TextView::charTyped);
        QTest::keyClick(&v, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(v.text(), QStringLiteral("a\r\nb"));
        QCOMPARE(v.selStart(), 3);
        QCOMPARE(typed.count(), 1);
        QCOMPARE(typed.at(0).at(0).value<QChar>(), QChar(u'\r'));
    }

    void charTyped_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("eventText");
        QTest::addColumn<QString>("emitted"); // empty: no signal
        QTest::newRow("letter") << int(Qt::Key_A) << 0 << "a"
                                << "a";
        QTest::newRow("Japanese") << 0 << 0 << "あ"
                                  << "あ";
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << "\b"
                                   << "\b";
        QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << "\t"
                             << "\t";
        QTest::newRow("Ctrl+C") << int(Qt::Key_C) << int(Qt::ControlModifier) << "\x03"
                                << "\x03";
        QTest::newRow("Ctrl+C, letter text") << int(Qt::Key_C) << int(Qt::ControlModifier) << "c"
                                             << "\x03";
        QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << "\x7f"
                                << "";
        QTest::newRow("Left") << int(Qt::Key_Left) << 0 << ""
                              << "";
        QTest::newRow("F5") << int(Qt::Key_F5) << 0 << ""
                            << "";
    }

    void charTyped() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, eventText);
        QFETCH(QString, emitted);
        TextView v;
        prepare(v, Shown);
        v.setText(QStringLiteral("xyz"));
        v.setSelStart(1);
        QSignalSpy typed(&v, &TextView::charTyped);
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), eventText);
        QApplication::sendEvent(&v, &press);
        QCOMPARE(typed.count(), emitted.size());
        if (!emitted.isEmpty())
            QCOMPARE(typed.at(0).at(0).value<QChar>(), emitted[0]);
    }

    void inputMethodCommit() {
        TextView v;
        prepare(v, Shown);
        v.setText(QStringLiteral("a\rb"));
        v.setSelStart(2); // just after the lone CR
        QSignalSpy typed(&v, &TextView::charTyped);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("日\u240D"));
        QApplication::sendEvent(&v, &commit);
        // A typed look-alike of the CR stand-in stays what was typed.
        QCOMPARE(v.text(), QStringLiteral("a\r日\u240Db"));
        QCOMPARE(typed.count(), 2);
        QCOMPARE(typed.at(0).at(0).value<QChar>(), QChar(u'日'));
    }

    void drops_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QStringList>("paths"); // empty: the drop is refused
        QTest::newRow("files in order")
            << QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/b c.txt")),
                           QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt"))}
            << QString()
            << QStringList{QStringLiteral("/tmp/b c.txt"), QStringLiteral("/tmp/a.txt")};
        QTest::newRow("file among web links")
            << QList<QUrl>{QUrl(QStringLiteral("https://example.org/")),
                           QUrl::fromLocalFile(QStringLiteral("/tmp/メモ.txt"))}
            << QStringLiteral("https://example.org/")
            << QStringList{QStringLiteral("/tmp/メモ.txt")};
        QTest::newRow("plain text") << QList<QUrl>{} << QStringLiteral("dropped") << QStringList{};
        QTest::newRow("web link only") << QList<QUrl>{QUrl(QStringLiteral("https://example.org/"))}
                                       << QStringLiteral("https://example.org/") << QStringList{};
    }

    void drops() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, plain);
        QFETCH(QStringList, paths);
        TextView v;
        prepare(v, Shown);
        v.setText(QStringLiteral("keep\r\nme"));
        QMimeData data;
        if (!urls.isEmpty())
            data.setUrls(urls);
        if (!plain.isEmpty())
            data.setText(plain);
        QSignalSpy dropped(&v, &TextView::filesDropped);
        const QPoint at(10, 10);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(v.viewport(), &enter);
        QCOMPARE(enter.isAccepted(), !paths.isEmpty());
        // Shift proposes a move, which would let the source delete the files.
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::ShiftModifier);
        QCOMPARE(drop.proposedAction(), Qt::MoveAction);
        QApplication::sendEvent(v.viewport(), &drop);
        QCOMPARE(v.text(), QStringLiteral("keep\r\nme"));
        if (!paths.isEmpty())
            QCOMPARE(drop.dropAction(), Qt::CopyAction);
        QCOMPARE(dropped.count(), paths.isEmpty() ? 0 : 1);
        if (!paths.isEmpty())
            QCOMPARE(dropped.at(0).at(0).toStringList(), paths);
    }

    void pasteInsertsTextNeverFiles() {
        ProbeView v;
        prepare(v, Shown);
        v.setText(QStringLiteral("ab"));
        v.setSelStart(1);
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt"))});
        files.setText(QStringLiteral("/tmp/a.txt"));
        QVERIFY(!v.canInsertFromMimeData(&files));
        v.insertFromMimeData(&files);
        QCOMPARE(v.text(), QStringLiteral("ab"));
        QMimeData text;
        text.setText(QStringLiteral("1\r\n2"));
        QVERIFY(v.canInsertFromMimeData(&text));
        v.insertFromMimeData(&text);
        QCOMPARE(v.text(), QStringLiteral("a1\r\n2b"));
    }

    void copyKeepsTheTextAsItIs() {
        TextView v;
        prepare(v, Shown);
        const QString t = QStringLiteral("x\ry\u00A0z\r\n\nw");
        v.setText(t);
        v.setSelLength(t.size());
        v.copy();
        QCOMPARE(QApplication::clipboard()->text(), t);
    }

    // Without wrapping, a long line is painted from the part in view; it must
    // look exactly as the toolkit paints the whole line.
    void longLineLooksAsPaintedWhole_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("scrollX");
        QTest::addColumn<int>("selFrom"); // in the long line; -1: none
        QTest::addColumn<int>("selTo");   // past its end: into the next line
        QTest::addColumn<bool>("underline");
        const QString mixed =
            QStringLiteral("日本語とASCII textの混ざった行、ｶﾀｶﾅも。").repeated(200);
        const int n = int(mixed.size());
        QTest::newRow("start") << mixed << 0 << -1 << 0 << false;
        QTest::newRow("middle") << mixed << 20000 << -1 << 0 << false;
        QTest::newRow("end") << mixed << 1 << 1 << 0 << false; // 1: scrolled to the end
        QTest::newRow("selection in view") << mixed << 0 << 5 << 30 << false;
        QTest::newRow("selection across the view") << mixed << 20000 << 100 << n - 100 << false;
        QTest::newRow("selection past the line end") << mixed << 1 << n - 40 << n + 3 << false;
        QTest::newRow("tabs") << QStringLiteral("a\tいろは\t\tz ").repeated(900) << 15000 << 2000
                              << 2100 << false;
        QTest::newRow("lone LF inside")
            << mixed.left(3000) + u'\n' + mixed << 12000 << 2990 << 3400 << false;
        QTest::newRow("underlined") << mixed << 20000 << 700 << 900 << true;
        QTest::newRow("right-to-left text")
            << mixed.left(2000) + QStringLiteral("שלום עולם") + mixed << 20000 << 1990 << 2020
            << false;
        QTest::newRow("other characters only far away")
            << QStringLiteral("plain words ").repeated(600) + mixed.left(50) << 0 << 3 << 9
            << false;
    }

    void longLineLooksAsPaintedWhole() {
        QFETCH(QString, line);
        QFETCH(int, scrollX);
        QFETCH(int, selFrom);
        QFETCH(int, selTo);
        QFETCH(bool, underline);
        const QString before = QStringLiteral("前の行\r\n");
        TextView v;
        v.setLineWrapMode(QPlainTextEdit::NoWrap);
        QFont f = v.font();
        f.setUnderline(underline);
        v.setFont(f);
        v.resize(420, 160);
        v.show();
        v.setText(before + line + QStringLiteral("\r\n後の行"));
        QVERIFY(QTest::qWaitForWindowExposed(&v));

        // The toolkit's own painting of the same document.
        QPlainTextEdit whole;
        whole.setLineWrapMode(QPlainTextEdit::NoWrap);
        whole.setFont(f);
        whole.setPalette(v.palette());
        whole.resize(v.size());
        QTextDocument* copy = v.document()->clone(&whole);
        copy->setDocumentLayout(new QPlainTextDocumentLayout(copy));
        whole.setDocument(copy);
        whole.show();
        QVERIFY(QTest::qWaitForWindowExposed(&whole));

        for (QPlainTextEdit* e : {static_cast<QPlainTextEdit*>(&v), &whole}) {
            if (selFrom >= 0) {
                QTextCursor c(e->document());
                const int at = e->document()->findBlockByNumber(1).position();
                c.setPosition(at + selFrom);
                c.setPosition(at + selTo, QTextCursor::KeepAnchor);
                e->setTextCursor(c);
            }
            e->verticalScrollBar()->setValue(0);
            QScrollBar* h = e->horizontalScrollBar();
            h->setValue(scrollX == 1 ? h->maximum() : scrollX);
        }
        QCOMPARE(v.horizontalScrollBar()->value(), whole.horizontalScrollBar()->value());
        const QImage got = v.viewport()->grab().toImage();
        const QImage expected = whole.viewport()->grab().toImage();
        if (got != expected) {
            got.save(QDir::temp().filePath(QStringLiteral("long-line-got.png")));
            expected.save(QDir::temp().filePath(QStringLiteral("long-line-expected.png")));
        }
        QVERIFY(got == expected);
    }

    // A stored colour value (0x00BBGGRR, or a system colour) is the colour of
    // the text on screen.
    void colour_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QColor>("shown");
        QTest::newRow("red") << 0x0000FF << QColor(255, 0, 0);
        QTest::newRow("blue") << 0xFF0000 << QColor(0, 0, 255);
        QTest::newRow("mixed") << 0x123456 << QColor(0x56, 0x34, 0x12);
        const QColor system = QApplication::palette().color(QPalette::Text);
        QTest::newRow("system text colour") << int(0x80000008u) << system;
        QTest::newRow("other system colour") << int(0x8000000Fu) << system;
    }

    void colour() {
        QFETCH(int, value);
        QFETCH(QColor, shown);
        TextView v;
        QCOMPARE(v.colourValue(), int(0x80000008u));
        v.setColourValue(0x00FF00);
        v.setColourValue(value);
        QCOMPARE(v.colourValue(), value);
        QFont big = v.font();
        big.setPixelSize(40);
        v.setFont(big);
        v.resize(200, 100);
        v.setText(QStringLiteral("\u2588")); // a full block: solid in the text colour
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        const QImage image = v.viewport()->grab().toImage();
        const QRect glyph = v.cursorRect(QTextCursor(v.document()));
        const QPoint middle(glyph.right() + 8, glyph.center().y());
        QCOMPARE(image.pixelColor(middle * image.devicePixelRatio()), shown);
        // A system colour keeps the disabled look of the application's palette.
        if (value < 0)
            QCOMPARE(v.palette().color(QPalette::Disabled, QPalette::Text),
                     QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    }
};

QTEST_MAIN(TstTextView)
#include "tst_textview.moc"
