#include "files/open_dialog.h"
#include "files/text_file.h"
#include "platform/twips.h"
#include "support/test_env.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QQueue>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Answer = std::function<void(OpenDialog&)>;

// What the dialog looked like when it came up for a file.
struct Seen {
    QString title;
    QString path;
    bool option1 = false;
    bool option2 = false;
    int comboIndex = -1;
    bool comboEnabled = false;
    QString label2;
    QRect frame;
    OpenDialog* dialog = nullptr;
};

Seen look(OpenDialog& d) {
    return {d.windowTitle(),
            d.controls().fileLine->text(),
            d.controls().atCaretOption->isChecked(),
            d.controls().intoPageOption->isChecked(),
            d.controls().targetPage->currentIndex(),
            d.controls().targetPage->isEnabled(),
            d.controls().pageLine->text(),
            d.frameGeometry(),
            &d};
}

// Answers as a person would, by the dialog's own buttons and list.
Answer chooseInsert() {
    return [](OpenDialog& d) {
        d.controls().atCaretOption->click();
        d.controls().okButton->click();
    };
}
Answer chooseStore(int page) {
    return [page](OpenDialog& d) {
        d.controls().intoPageOption->click();
        d.controls().targetPage->setCurrentIndex(page - 1);
        d.controls().okButton->click();
    };
}
Answer chooseOk() {
    return [](OpenDialog& d) { d.controls().okButton->click(); };
}
Answer chooseCancel() {
    return [](OpenDialog& d) { d.controls().cancelButton->click(); };
}

// cp932 bytes of "日本語" CR LF "abc".
const QByteArray JapaneseBytes("\x93\xfa\x96\x7b\x8c\xea\r\nabc");
const QString JapaneseText = QStringLiteral("日本語\r\nabc");

// One running program with the drop dialog answered from a queue.
struct Program {
    TestEnv env;
    MainWindow* w = nullptr;
    QQueue<Answer> answers;
    QList<Seen> seen;

    explicit Program(int page = 1, const QString& text = QString()) {
        env.store->WriteSetting(QStringLiteral("Page"), QString::number(page));
        env.setPage(page, text);
        w = &env.start();
        w->drop.answerDialog = [this](OpenDialog& d) {
            seen.append(look(d));
            if (answers.isEmpty()) {
                QTest::qFail("the dialog came up once more than expected", __FILE__, __LINE__);
                d.controls().cancelButton->click();
                return;
            }
            answers.dequeue()(d);
        };
    }
    TextView& visible() { return w->views().visible(); }
    TextView& hidden() { return w->views().hidden(); }
    QStringList titles() const {
        QStringList t;
        for (const Seen& s : seen)
            t << s.title;
        return t;
    }
    QString file(const QString& name, const QByteArray& bytes) {
        return env.writeFile(name, bytes);
    }
    QString folder(const QString& name) {
        QDir(env.dir.path()).mkpath(name);
        return env.dir.filePath(name);
    }
};

// Drags data over the visible view and drops it there, as a file manager
// does. Returns the paths the view reported.
QList<QStringList> dropOnView(TextView& view, QMimeData* data) {
    QSignalSpy spy(&view, &TextView::filesDropped);
    const QPoint at = view.viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drop);
    QList<QStringList> reported;
    for (const QList<QVariant>& args : spy)
        reported << args.at(0).toStringList();
    return reported;
}

void dropFiles(Program& p, const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    const QList<QStringList> reported = dropOnView(p.visible(), data.get());
    QCOMPARE(reported, QList<QStringList>{paths});
}

} // namespace

class TestDrop : public QObject {
    Q_OBJECT
private slots:
    void entriesAreCountedSkippedEntriesIncluded_data();
    void entriesAreCountedSkippedEntriesIncluded();
    void dropsWithoutFilesInsertNothing_data();
    void dropsWithoutFilesInsertNothing();
    void dialogAsLoaded_data();
    void dialogAsLoaded();
    void dialogBottomEdgeOnTheMiddleLine();
    void insertAtCaret_data();
    void insertAtCaret();
    void storeIntoPage_data();
    void storeIntoPage();
    void choicesCarryOverWithinOneDropOnly();
    void cancelSkipsOnlyThatFile();
    void closeBoxSkipsAndReloads();
    void unreadableFileChangesNothing_data();
    void unreadableFileChangesNothing();
    void realModalDialogByKeys_data();
    void realModalDialogByKeys();
    void dropWhileOfferingIsIgnored();
};

// ---- which entries are offered, and how they are counted ------------------------------

void TestDrop::entriesAreCountedSkippedEntriesIncluded_data() {
    // Entries: f = file, d = folder, m = missing, p = named pipe.
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("three files") << "fff"
                                 << QStringList{"オープン(1/3)", "オープン(2/3)", "オープン(3/3)"};
    QTest::newRow("a folder alone") << "d" << QStringList{};
    QTest::newRow("a folder, then a file") << "df" << QStringList{"オープン(2/2)"};
    QTest::newRow("file, missing, file") << "fmf" << QStringList{"オープン(1/3)", "オープン(3/3)"};
    QTest::newRow("a named pipe, then a file") << "pf" << QStringList{"オープン(2/2)"};
}

void TestDrop::entriesAreCountedSkippedEntriesIncluded() {
    QFETCH(QString, entries);
    QFETCH(QStringList, titles);
    Program p(3, QStringLiteral("page three"));
    p.visible().setSelStart(4);
    QStringList paths, offered;
    for (int i = 0; i < entries.size(); ++i) {
        const QString name = QStringLiteral("entry%1").arg(i);
        switch (entries.at(i).toLatin1()) {
        case 'f':
            paths << p.file(name + ".txt", "text");
            offered << paths.last();
            break;
        case 'd':
            paths << p.folder(name);
            break;
        case 'm':
            paths << p.env.dir.filePath(name + ".gone");
            break;
        case 'p':
            paths << p.env.dir.filePath(name);
            QCOMPARE(::mkfifo(QFile::encodeName(paths.last()).constData(), 0600), 0);
            break;
        }
    }
    for (int i = 0; i < titles.size(); ++i)
        p.answers << chooseCancel();
    dropFiles(p, paths);

    QCOMPARE(p.titles(), titles);
    for (int i = 0; i < p.seen.size(); ++i)
        QCOMPARE(p.seen[i].path, offered[i]);
    // Every file was skipped: nothing changed anywhere.
    QCOMPARE(p.visible().text(), QStringLiteral("page three"));
    QCOMPARE(p.visible().selStart(), 4);
    QCOMPARE(p.env.page(3), QStringLiteral("page three"));
    QVERIFY(p.answers.isEmpty());
    QVERIFY(p.w->findChildren<OpenDialog*>().isEmpty()); // unloaded after the drop
}

void TestDrop::dropsWithoutFilesInsertNothing_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("plain text from another program") << "text";
    QTest::newRow("a web address") << "web";
    QTest::newRow("an empty list of addresses") << "none";
}

void TestDrop::dropsWithoutFilesInsertNothing() {
    QFETCH(QString, kind);
    Program p(1, QStringLiteral("abc"));
    p.visible().setSelStart(1);
    auto data = std::make_unique<QMimeData>();
    if (kind == "text")
        data->setText(QStringLiteral("dragged words"));
    else if (kind == "web")
        data->setUrls({QUrl(QStringLiteral("https://example.org/a.txt"))});
    else
        data->setUrls({});
    QCOMPARE(dropOnView(p.visible(), data.get()), QList<QStringList>{});
    QVERIFY(p.seen.isEmpty());
    QCOMPARE(p.visible().text(), QStringLiteral("abc"));

    // And called with an empty list, the handler shows nothing either.
    p.w->drop.filesDropped({});
    QVERIFY(p.seen.isEmpty());
}

// ---- the dialog itself ---------------------------------------------------------------

void TestDrop::dialogAsLoaded_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twipsRect");
    QTest::newRow("atCaretOption") << "atCaretOption"
                                   << "現在のカーソル位置に挿入" << QRect(0, 0, 2445, 285);
    QTest::newRow("intoPageOption") << "intoPageOption"
                                    << "指定先ののページにて展開" << QRect(0, 300, 2445, 285);
    QTest::newRow("okButton") << "okButton"
                              << "OK" << QRect(2550, 30, 1215, 315);
    QTest::newRow("cancelButton") << "cancelButton"
                                  << "キャンセル" << QRect(2550, 390, 1215, 315);
    QTest::newRow("targetPage") << "targetPage"
                                << "1" << QRect(900, 660, 765, 300);
    QTest::newRow("targetCaption") << "targetCaption"
                                   << "展開先＞" << QRect(60, 690, 765, 225);
    QTest::newRow("pageLine") << "pageLine"
                              << " 1 [7文字]" << QRect(60, 990, 4065, 225);
    QTest::newRow("fileLine") << "fileLine"
                              << "" << QRect(30, 1290, 4065, 345);
}

void TestDrop::dialogAsLoaded() {
    QFETCH(QString, control);
    QFETCH(QString, caption);
    QFETCH(QRect, twipsRect);
    Program p(2);
    p.env.setPage(1, QStringLiteral("1234567"));
    const QString path = p.file(QStringLiteral("a.txt"), "x");
    if (control == "fileLine")
        caption = path;
    p.answers << [&](OpenDialog& d) {
        QCOMPARE(d.objectName(), QStringLiteral("OpenDialog"));
        QCOMPARE(d.size(), twips::toPx(0, 0, 4170, 1725, &d).size());
        QCOMPARE(d.minimumSize(), d.maximumSize()); // fixed size
        QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QWidget* c = d.findChild<QWidget*>(control);
        QVERIFY(c);
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(c))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(c))
            text = l->text();
        else if (auto* combo = qobject_cast<QComboBox*>(c))
            text = combo->currentText();
        QCOMPARE(text, caption);
        QCOMPARE(c->geometry(), twips::toPx(twipsRect.x(), twipsRect.y(), twipsRect.width(),
                                            twipsRect.height(), &d));
        // The load values.
        QVERIFY(d.controls().atCaretOption->isChecked());
        QVERIFY(!d.controls().intoPageOption->isChecked());
        QVERIFY(!d.controls().targetPage->isEnabled());
        QVERIFY(!d.controls().targetPage->isEditable());
        QCOMPARE(d.controls().targetPage->count(), 9);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(d.controls().targetPage->itemText(i), QString::number(i + 1));
        // Assistive tools know the page list by its caption.
        const auto labels = QAccessible::queryAccessibleInterface(d.controls().targetPage)
                                ->relations(QAccessible::Label);
        QVERIFY(labels.size() == 1 && labels.first().first->object() == d.controls().targetCaption);
        QVERIFY(d.controls().okButton->isDefault());
        d.controls().cancelButton->click();
    };
    dropFiles(p, {path});
    QCOMPARE(p.seen.size(), 1);
}

void TestDrop::dialogBottomEdgeOnTheMiddleLine() {
    Program p;
    const QStringList paths{p.file("a.txt", "a"), p.file("b.txt", "b")};
    p.answers << chooseCancel() << chooseCancel();
    dropFiles(p, paths);
    QCOMPARE(p.seen.size(), 2);
    const QRect screen = p.w->screen()->geometry();
    const QRect frame = p.seen[0].frame;
    QVERIFY2(std::abs(frame.center().x() - screen.center().x()) <= 1, "centred across");
    QVERIFY2(std::abs(frame.y() + frame.height() - (screen.y() + screen.height() / 2)) <= 1,
             "bottom edge on the middle line");
    QCOMPARE(p.seen[1].frame, frame); // the second file's dialog stays where it was
}

// ---- OK with the first option: into the page on show at the caret -----------------------

void TestDrop::insertAtCaret_data() {
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");
    const QString t = JapaneseText;
    QTest::newRow("at the caret") << true << 2 << 0 << JapaneseBytes << "ab" + t + "cdef" << 10;
    QTest::newRow("a selection gives way without a question")
        << true << 1 << 3 << JapaneseBytes << "a" + t + "ef" << 9;
    QTest::newRow("wrap off: into the view on show")
        << false << 6 << 0 << JapaneseBytes << "abcdef" + t << 14;
    QTest::newRow("an empty file deletes the selection")
        << true << 1 << 3 << QByteArray() << QStringLiteral("aef") << 1;
    QTest::newRow("an empty file without a selection")
        << true << 4 << 0 << QByteArray() << QStringLiteral("abcdef") << 4;
    QTest::newRow("UTF-8 with a mark: the mark is no text")
        << true << 2 << 0 << QByteArray("\xEF\xBB\xBF") + QStringLiteral("メモ\r\n").toUtf8()
        << QStringLiteral("abメモ\r\ncdef") << 6;
    QTest::newRow("UTF-16 BE with a mark") << true << 6 << 0 << QByteArray("\xFE\xFF\0a\x30\x42", 6)
                                           << QStringLiteral("abcdefaあ") << 8;
    QTest::newRow("only a UTF-16 LE mark deletes the selection")
        << true << 1 << 3 << QByteArray("\xFF\xFE") << QStringLiteral("aef") << 1;
}

void TestDrop::insertAtCaret() {
    QFETCH(bool, wrap);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(int, caret);
    Program p(4, QStringLiteral("abcdef"));
    if (!wrap)
        QVERIFY(triggerAction(p.w, QStringLiteral("wordWrap")));
    QCOMPARE(&p.visible(), wrap ? &p.w->views().wrappedView : &p.w->views().unwrappedView);
    p.visible().setSelStart(selStart);
    p.visible().setSelLength(selLength);
    p.w->workspace().state.undoAvailable = true;
    p.answers << chooseInsert();
    dropFiles(p, {p.file("in.txt", bytes)});

    QCOMPARE(p.visible().text(), expected);
    QCOMPARE(p.visible().selStart(), caret);
    QCOMPARE(p.visible().selLength(), 0);
    QCOMPARE(p.hidden().text(), expected);
    QCOMPARE(p.env.page(4), expected);             // the page is stored at once
    QVERIFY(p.w->workspace().state.undoAvailable); // left as it was
    QCOMPARE(p.w->workspace().state.currentPage, 4);
    QVERIFY(p.env.prompts.calls.isEmpty());
}

// ---- OK with the second option: stored as a whole page ---------------------------------

void TestDrop::storeIntoPage_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shownAfter");
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<QString>("menuLabel");
    QTest::newRow("another page") << 5 << JapaneseBytes << "page two edited" << JapaneseText
                                  << " 5 [8文字]";
    QTest::newRow("the page on show")
        << 2 << JapaneseBytes << JapaneseText << JapaneseText << " 2 [8文字]";
    QTest::newRow("a UTF-8 file into another page")
        << 5 << JapaneseText.toUtf8() << "page two edited" << JapaneseText << " 5 [8文字]";
    QTest::newRow("an empty file empties another page")
        << 5 << QByteArray() << "page two edited" << QString() << " 5 [空]";
    QTest::newRow("an empty file empties the page on show")
        << 2 << QByteArray() << QString() << QString() << " 2 [空]";
}

void TestDrop::storeIntoPage() {
    QFETCH(int, target);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shownAfter);
    QFETCH(QString, storedAfter);
    QFETCH(QString, menuLabel);
    Program p(2, QStringLiteral("page two"));
    p.env.setPage(5, QStringLiteral("old five"));
    p.visible().setSelStart(8);
    p.visible().replaceSelection(QStringLiteral(" edited")); // not yet stored
    p.visible().setSelStart(3);
    p.w->workspace().state.undoAvailable = true;
    p.answers << chooseStore(target);
    dropFiles(p, {p.file("in.txt", bytes)});

    QCOMPARE(p.env.page(target), storedAfter);
    if (target != 2)
        QCOMPARE(p.env.page(2), QStringLiteral("page two edited")); // stored as a switch does
    QCOMPARE(p.w->views().wrappedView.text(), shownAfter);
    QCOMPARE(p.w->views().unwrappedView.text(), shownAfter);
    QCOMPARE(p.visible().selStart(), 0);
    QVERIFY(!p.w->workspace().state.undoAvailable);
    QCOMPARE(p.w->workspace().state.currentPage, 2);
    QCOMPARE(p.w->windowTitle(), QStringLiteral("Sorabun - 2"));
    QVERIFY(p.w->findChild<QAction*>("page2")->isChecked());
    QVERIFY(!p.w->findChild<QAction*>("page5")->isChecked());
    openMenu(p.w, QStringLiteral("fileMenu"));
    QCOMPARE(p.w->findChild<QAction*>(QStringLiteral("page%1").arg(target))->text(), menuLabel);
}

// ---- one dialog for the whole drop ----------------------------------------------------

void TestDrop::choicesCarryOverWithinOneDropOnly() {
    Program p(1);
    const QStringList paths{p.file("a.txt", "aaa"), p.file("b.txt", "bb")};
    p.answers << chooseStore(5) << chooseOk();
    dropFiles(p, paths);
    QCOMPARE(p.seen.size(), 2);
    QCOMPARE(p.titles(), (QStringList{"オープン(1/2)", "オープン(2/2)"}));
    const Seen& second = p.seen[1];
    QVERIFY(second.option2);
    QVERIFY(!second.option1);
    QCOMPARE(second.comboIndex, 4);
    QVERIFY(second.comboEnabled);
    // The label is refreshed only when the choice changes: it still tells
    // how page 5 was before the first file went in.
    QCOMPARE(second.label2, QStringLiteral(" 5 [空]"));
    QCOMPARE(p.env.page(5), QStringLiteral("bb")); // the second file, stored as offered

    // The next drop starts from the load values again.
    p.answers << chooseCancel();
    dropFiles(p, {paths[0]});
    QCOMPARE(p.seen.size(), 3);
    QVERIFY(p.seen[2].option1);
    QCOMPARE(p.seen[2].comboIndex, 0);
    QVERIFY(!p.seen[2].comboEnabled);
    QCOMPARE(p.seen[2].label2, QStringLiteral(" 1 [空]"));
}

void TestDrop::cancelSkipsOnlyThatFile() {
    Program p(1, QStringLiteral("xy"));
    p.visible().setSelStart(1);
    const QStringList paths{p.file("a.txt", "AAA"), p.file("b.txt", "BBB")};
    p.answers << chooseCancel() << chooseInsert();
    dropFiles(p, paths);
    QCOMPARE(p.titles(), (QStringList{"オープン(1/2)", "オープン(2/2)"}));
    QCOMPARE(p.seen[1].path, paths[1]);
    QCOMPARE(p.visible().text(), QStringLiteral("xBBBy"));
    QCOMPARE(p.env.page(1), QStringLiteral("xBBBy"));
}

void TestDrop::closeBoxSkipsAndReloads() {
    Program p(1, QStringLiteral("xy"));
    p.env.setPage(3, QStringLiteral("three"));
    const QStringList paths{p.file("a.txt", "AAA"), p.file("b.txt", "BBB")};
    p.answers << [](OpenDialog& d) {
        d.controls().intoPageOption->click();
        d.controls().targetPage->setCurrentIndex(2);
        d.close();
    } << chooseCancel();
    dropFiles(p, paths);
    QCOMPARE(p.titles(), (QStringList{"オープン(1/2)", "オープン(2/2)"}));
    // The first file was skipped.
    QCOMPARE(p.visible().text(), QStringLiteral("xy"));
    QCOMPARE(p.env.page(3), QStringLiteral("three"));
    // The second file found the dialog as loaded, in the same place.
    const Seen& second = p.seen[1];
    QVERIFY(second.option1);
    QCOMPARE(second.comboIndex, 0);
    QVERIFY(!second.comboEnabled);
    QCOMPARE(second.label2, QStringLiteral(" 1 [2文字]"));
    QCOMPARE(second.frame, p.seen[0].frame);
}

// ---- a file that cannot be read at OK ---------------------------------------------------

void TestDrop::unreadableFileChangesNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("target"); // 0 = at the caret
    QTest::addColumn<QString>("message");
    const QString m = QStringLiteral("予期せぬエラーが発生しました\r\ncode-");
    QTest::newRow("deleted, at the caret") << "deleted" << 0 << m + "53";
    QTest::newRow("deleted, into another page") << "deleted" << 6 << m + "53";
    QTest::newRow("deleted, into the page on show") << "deleted" << 1 << m + "53";
    QTest::newRow("a folder now, at the caret") << "folder" << 0 << m + "75";
    QTest::newRow("a folder now, into the page on show") << "folder" << 1 << m + "75";
    QTest::newRow("no permission, at the caret") << "locked" << 0 << m + "70";
    // Too large for the views: offered to the text editor, as by File > Open.
    const QString tooLarge =
        QStringLiteral("ファイルが大きすぎます。ファイルのパスをワードパットに送りますか？");
    QTest::newRow("grown too large, at the caret") << "huge" << 0 << tooLarge;
    QTest::newRow("grown too large, into the page on show") << "huge" << 1 << tooLarge;
}

void TestDrop::unreadableFileChangesNothing() {
    QFETCH(QString, how);
    QFETCH(int, target);
    QFETCH(QString, message);
    if (how == "locked" && ::geteuid() == 0)
        QSKIP("the superuser reads any file whatever its permissions");
    Program p(1, QStringLiteral("one"));
    p.env.setPage(6, QStringLiteral("six"));
    p.visible().setSelStart(1);
    p.visible().setSelLength(1);
    p.visible().replaceSelection(QStringLiteral("N")); // "oNe", not yet stored
    p.visible().setSelStart(1);
    p.visible().setSelLength(2);
    p.w->workspace().state.undoAvailable = true;
    const QString bad = p.file("bad.txt", "BAD");
    const QString good = p.file("good.txt", "GOOD");
    p.answers << [&](OpenDialog& d) {
        if (how == "deleted" || how == "folder")
            QVERIFY(QFile::remove(bad));
        if (how == "folder")
            QVERIFY(QDir().mkpath(bad));
        if (how == "locked")
            QVERIFY(QFile::setPermissions(bad, QFileDevice::Permissions()));
        if (how == "huge")
            QVERIFY(QFile::resize(bad, textfile::MaxFileBytes + 1));
        p.env.prompts.answer(how == "huge" ? Prompts::Answer::No : Prompts::Answer::Ok);
        if (target == 0)
            chooseInsert()(d);
        else
            chooseStore(target)(d);
        QVERIFY(d.isHidden());
    } << chooseCancel();
    dropFiles(p, {bad, good});

    QCOMPARE(p.env.prompts.calls.size(), 1);
    const PromptCall& call = p.env.prompts.calls[0];
    QCOMPARE(call.text, message);
    QCOMPARE(call.title, how == "huge" ? QStringLiteral("開く") : QStringLiteral("Sorabun"));
    QCOMPARE(call.buttons, how == "huge" ? Prompts::Buttons::YesNo : Prompts::Buttons::Ok);
    // Nothing changed: not the store, not the views, not the caret.
    QCOMPARE(p.env.page(1), QStringLiteral("one"));
    QCOMPARE(p.env.page(6), QStringLiteral("six"));
    QCOMPARE(p.w->views().wrappedView.text(), QStringLiteral("oNe"));
    QCOMPARE(p.visible().selStart(), 1);
    QCOMPARE(p.visible().selLength(), 2);
    QVERIFY(p.w->workspace().state.undoAvailable);
    // And the drop went on with the next file.
    QCOMPARE(p.titles(), (QStringList{"オープン(1/2)", "オープン(2/2)"}));
}

// ---- the real modal dialog, answered from the keyboard and the close box ----------------

void TestDrop::realModalDialogByKeys_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("page3");
    QTest::addColumn<bool>("carriedOver");
    QTest::newRow("Enter is OK") << "enter"
                                 << "FILE" << true;
    QTest::newRow("Esc is Cancel") << "esc"
                                   << "three" << true;
    QTest::newRow("the close box skips and unloads") << "close"
                                                     << "three" << false;
}

void TestDrop::realModalDialogByKeys() {
    QFETCH(QString, answer);
    QFETCH(QString, page3);
    QFETCH(bool, carriedOver);
    Program p(1, QStringLiteral("ab"));
    p.env.setPage(3, QStringLiteral("three"));
    p.w->drop.answerDialog = nullptr;
    const QStringList paths{p.file("f.txt", "FILE"), p.file("g.txt", "G")};
    QList<Seen> seen;
    bool wasModal = true;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, [&] {
        auto* d = qobject_cast<OpenDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible())
            return;
        seen << look(*d);
        wasModal = wasModal && d->isModal();
        if (seen.size() > 1) {
            d->controls().cancelButton->click();
            return;
        }
        d->controls().intoPageOption->click();
        d->controls().targetPage->setCurrentIndex(2);
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : d;
        if (answer == "enter")
            QTest::keyClick(focus, Qt::Key_Return);
        else if (answer == "esc")
            QTest::keyClick(focus, Qt::Key_Escape);
        else
            d->close();
        if (d->isVisible())
            d->close(); // never left hanging
    });
    answerer.start(5);
    dropFiles(p, paths);
    answerer.stop();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0].title, QStringLiteral("オープン(1/2)"));
    QCOMPARE(seen[1].title, QStringLiteral("オープン(2/2)"));
    QVERIFY(wasModal);
    QCOMPARE(p.env.page(3), page3);
    QCOMPARE(p.visible().text(), QStringLiteral("ab"));
    QCOMPARE(seen[1].option2, carriedOver);
    QCOMPARE(seen[1].comboIndex, carriedOver ? 2 : 0);
    QVERIFY(p.w->findChildren<OpenDialog*>().isEmpty());
}

void TestDrop::dropWhileOfferingIsIgnored() {
    Program p(1, QStringLiteral("ab"));
    const QString a = p.file("a.txt", "A");
    const QString b = p.file("b.txt", "B");
    p.answers << [&](OpenDialog& d) {
        p.w->drop.filesDropped({b});
        d.controls().cancelButton->click();
    };
    dropFiles(p, {a});
    QCOMPARE(p.titles(), QStringList{"オープン(1/1)"});
    QCOMPARE(p.seen[0].path, a);
    QCOMPARE(p.visible().text(), QStringLiteral("ab"));
}

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
