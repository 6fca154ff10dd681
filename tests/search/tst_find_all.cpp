#include "search/find_all_dialog.h"
#include "search/found_list.h"
#include "support/modal_driver.h"
#include "support/test_env.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

// Finding in every page, as the user runs it from the Search menu: which
// rows the results window lists, and where choosing one leads.

namespace {

const QString Title = u"全ページから検索"_s;
using Pages = QMap<int, QString>; // page number to stored text; the others are empty

void storePages(TestEnv& env, const Pages& pages, int shown) {
    for (auto it = pages.begin(); it != pages.end(); ++it)
        env.setPage(it.key(), it.value());
    env.store->WriteSetting(u"Page"_s, QString::number(shown));
}

// The results window's rows, one string each: a page's row as its caption,
// a match row as "page:line:start excerpt" with the match in brackets.
QStringList rowsOf(FindAllDialog& d) {
    FoundModel& model = d.model();
    QStringList rows;
    for (int p = 0; p < model.rowCount(); ++p) {
        const QModelIndex page = model.index(p, 0);
        rows << page.data().toString();
        for (int m = 0; m < model.rowCount(page); ++m) {
            const QModelIndex text = model.index(m, FoundModel::TextColumn, page);
            const QPoint mark = text.data(FoundModel::MarkRole).toPoint();
            QString excerpt = text.data().toString();
            excerpt.insert(mark.x() + mark.y(), u']').insert(mark.x(), u'[');
            const auto cell = [&](int column) {
                return model.index(m, column, page).data().toString();
            };
            const qsizetype start = d.results().pages()[p].listed[m].start;
            rows << cell(FoundModel::PageColumn) + u':' + cell(FoundModel::LineColumn) + u':' +
                        QString::number(start) + u' ' + excerpt;
        }
    }
    return rows;
}

// Runs the command with `input` typed into the input box; `act` sees the
// results window once its search has ended, if it opens.
int runFindAll(TestEnv& env, MainWindow& w, const QString& input,
               const std::function<void(FindAllDialog&)>& act) {
    env.prompts.answerInput(input);
    ModalDriver driver(u"FindAllDialog"_s, [&](QDialog& d) {
        auto& dialog = static_cast<FindAllDialog&>(d);
        while (dialog.searching())
            dialog.searchSlice();
        act(dialog);
    });
    w.search.findInAllPages();
    return driver.seen;
}

} // namespace

class TestFindAll : public QObject {
    Q_OBJECT
private slots:
    void rowsOverEveryPage_data();
    void rowsOverEveryPage();
    void noMatchOrNothingEntered_data();
    void noMatchOrNothingEntered();
    void choosingARowGoesThere_data();
    void choosingARowGoesThere();
    void atMostTenThousandRows();
    void stoppingKeepsTheRowsFound();
};

void TestFindAll::rowsOverEveryPage_data() {
    QTest::addColumn<Pages>("pages");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("edited"); // the page on show as shown; null: as stored
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("summary");

    QTest::newRow("width, kana and case, in page order")
        << Pages{{5, u"ａｂｃ"_s}, {1, u"ＡＢＣ"_s}, {3, u"abc\r\nxAbC かたかな"_s}} << 1
        << QString() << u"abc"_s
        << QStringList{u"ページ 1（1 件）"_s, u"1:1:0 [ＡＢＣ]"_s,        u"ページ 3（2 件）"_s,
                       u"3:1:0 [abc]"_s,      u"3:2:6 x[AbC] かたかな"_s, u"ページ 5（1 件）"_s,
                       u"5:1:0 [ａｂｃ]"_s}
        << u"「abc」: 3 ページで 4 件"_s;
    QTest::newRow("hiragana, katakana and half-width katakana")
        << Pages{{2, u"かたかな カタカナ\r\nｶﾀｶﾅ"_s}} << 1 << QString() << u"カタカナ"_s
        << QStringList{u"ページ 2（3 件）"_s, u"2:1:0 [かたかな] カタカナ"_s,
                       u"2:1:5 かたかな [カタカナ]"_s, u"2:2:11 [ｶﾀｶﾅ]"_s}
        << u"「カタカナ」: 1 ページで 3 件"_s;
    QTest::newRow("a match across a CR LF, never half of one")
        << Pages{{4, u"ab\r\ncd\r\nab\r\ncd"_s}, {6, u"b\r\n"_s}} << 1 << QString() << u"b\r\nc"_s
        << QStringList{u"ページ 4（2 件）"_s, u"4:1:1 a[b↵]"_s, u"4:3:9 a[b↵]"_s}
        << u"「b  c」: 1 ページで 2 件"_s;
    QTest::newRow("empty pages, the page on show among them")
        << Pages{{9, u"x請求書"_s}} << 1 << QString() << u"請求書"_s
        << QStringList{u"ページ 9（1 件）"_s, u"9:1:1 x[請求書]"_s}
        << u"「請求書」: 1 ページで 1 件"_s;
    QTest::newRow("the page on show as shown, edits not yet stored")
        << Pages{{2, u"stored 請求書"_s}, {3, u"請求書"_s}} << 2 << u"new\r\n請求書 請求書"_s
        << u"請求書"_s
        << QStringList{u"ページ 2（2 件）"_s, u"2:2:5 [請求書] 請求書"_s,
                       u"2:2:9 請求書 [請求書]"_s, u"ページ 3（1 件）"_s, u"3:1:0 [請求書]"_s}
        << u"「請求書」: 2 ページで 3 件"_s;
    QTest::newRow("matches do not overlap")
        << Pages{{2, u"aaaaa"_s}} << 1 << QString() << u"aa"_s
        << QStringList{u"ページ 2（2 件）"_s, u"2:1:0 [aa]aaa"_s, u"2:1:2 aa[aa]a"_s}
        << u"「aa」: 1 ページで 2 件"_s;
    QTest::newRow("lines of lone LF; a lone LF or tab inside a CR LF line shows as a space")
        << Pages{{6, u"x\ny\nzq"_s}, {7, u"a\nb\tq\r\nc q"_s}} << 1 << QString() << u"q"_s
        << QStringList{u"ページ 6（1 件）"_s, u"6:3:5 z[q]"_s, u"ページ 7（2 件）"_s,
                       u"7:1:4 a b [q]"_s, u"7:2:9 c [q]"_s}
        << u"「q」: 2 ページで 3 件"_s;
    const QString before = QString(100, u'x'), after = QString(200, u'y');
    QTest::newRow("a long line is cut around the match")
        << Pages{{8, before + u"請求書"_s + after}} << 1 << QString() << u"請求書"_s
        << QStringList{u"ページ 8（1 件）"_s, u"8:1:100 …"_s + QString(30, u'x') + u"[請求書]"_s +
                                                  QString(127, u'y') + u"…"_s}
        << u"「請求書」: 1 ページで 1 件"_s;
    QTest::newRow("a cut never halves a surrogate pair")
        << Pages{{1, u"😀"_s + QString(29, u'x') + u"q😀"_s}} << 2 << QString() << u"Q"_s
        << QStringList{u"ページ 1（1 件）"_s, u"1:1:31 …"_s + QString(29, u'x') + u"[q]😀"_s}
        << u"「Q」: 1 ページで 1 件"_s;
}

void TestFindAll::rowsOverEveryPage() {
    QFETCH(Pages, pages);
    QFETCH(int, shown);
    QFETCH(QString, edited);
    QFETCH(QString, pattern);
    QFETCH(QStringList, rows);
    QFETCH(QString, summary);

    TestEnv env;
    storePages(env, pages, shown);
    MainWindow& w = env.start();
    if (!edited.isNull())
        w.views().visible().setText(edited);
    QStringList listed;
    QString said;
    QCOMPARE(runFindAll(env, w, pattern,
                        [&](FindAllDialog& d) {
                            listed = rowsOf(d);
                            said = d.controls().summaryLine->text();
                            QCOMPARE(d.controls().moreLine->text(),
                                     QString()); // no more than listed
                        }),
             1);
    QCOMPARE(listed, rows);
    QCOMPARE(said, summary);
    // Searching wrote nothing: the store still holds the pages as they were.
    for (int n = 1; n <= 9; ++n)
        QCOMPARE(env.page(n), pages.value(n));
    QCOMPARE(w.workspace().state.searchText, pattern);
    env.prompts.verifyDone();
}

void TestFindAll::noMatchOrNothingEntered_data() {
    QTest::addColumn<Pages>("pages");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("searchText"); // afterwards; "before" beforehand
    QTest::newRow("no match") << Pages{{1, u"abc"_s}, {4, u"xyz"_s}} << u"請求書"_s
                              << QStringList{u"見つかりませんでした"_s} << u"請求書"_s;
    QTest::newRow("every page empty")
        << Pages{} << u"a"_s << QStringList{u"見つかりませんでした"_s} << u"a"_s;
    QTest::newRow("cancelled: nothing searched, nothing changed")
        << Pages{{1, u"abc"_s}} << QString() << QStringList{} << u"before"_s;
}

void TestFindAll::noMatchOrNothingEntered() {
    QFETCH(Pages, pages);
    QFETCH(QString, input);
    QFETCH(QStringList, messages);
    QFETCH(QString, searchText);
    TestEnv env;
    storePages(env, pages, 1);
    MainWindow& w = env.start();
    w.workspace().state.searchText = u"before"_s;
    TextView& view = w.views().visible();
    view.setSelStart(1);
    view.setSelLength(1);
    for (qsizetype i = 0; i < messages.size(); ++i)
        env.prompts.answer(Prompts::Answer::Ok);

    QCOMPARE(runFindAll(env, w, input, [](FindAllDialog&) {}), 0);

    const QList<PromptCall>& calls = env.prompts.calls;
    QCOMPARE(calls.size(), 1 + messages.size());
    QCOMPARE(calls[0].kind, PromptCall::Input);
    QCOMPARE(calls[0].text, u"検索する文字列を入力してください"_s);
    QCOMPARE(calls[0].title, Title);
    QCOMPARE(calls[0].defaultText, u"before"_s); // the text searched for last
    for (qsizetype i = 0; i < messages.size(); ++i) {
        QCOMPARE(calls[i + 1].text, messages[i]);
        QCOMPARE(calls[i + 1].title, Title);
        QCOMPARE(calls[i + 1].buttons, Prompts::Buttons::Ok);
    }
    QCOMPARE(w.workspace().state.searchText, searchText);
    QCOMPARE(w.workspace().state.currentPage, 1);
    QCOMPARE(view.text(), pages.value(1));
    QCOMPARE(view.selStart(), pages.value(1).isEmpty() ? 0 : 1);
    env.prompts.calls.clear();
}

void TestFindAll::choosingARowGoesThere_data() {
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<int>("pageRow");  // the row of the page in the list
    QTest::addColumn<int>("matchRow"); // the match under it; -1: the page's own row
    QTest::addColumn<bool>("byMouse"); // a double-click, not Enter
    QTest::addColumn<int>("page");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("next"); // where F3 goes on to

    for (bool wrap : {true, false}) {
        const char* w = wrap ? "wrap on" : "wrap off";
        QTest::addRow("another page (%s)", w) << wrap << 1 << 0 << false << 3 << 6LL << 14LL;
        QTest::addRow("another page, double-click (%s)", w)
            << wrap << 1 << 1 << true << 3 << 14LL << -1LL;
        QTest::addRow("a page's own row: its first match (%s)", w)
            << wrap << 2 << -1 << false << 5 << 0LL << -1LL;
        QTest::addRow("the page on show: not switched, edits kept (%s)", w)
            << wrap << 0 << 0 << false << 1 << 7LL << -1LL;
    }
}

void TestFindAll::choosingARowGoesThere() {
    QFETCH(bool, wrap);
    QFETCH(int, pageRow);
    QFETCH(int, matchRow);
    QFETCH(bool, byMouse);
    QFETCH(int, page);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, next);

    TestEnv env;
    storePages(env, {{3, u"line\r\n請求書 and 請求書"_s}, {5, u"請求書"_s}}, 1);
    MainWindow& w = env.start();
    if (w.views().wrappedShown() != wrap)
        w.toggleWordWrap();
    const QString edited = u"edited 請求書\r\n"_s;
    w.views().visible().setText(edited);
    w.workspace().state.undoAvailable = true;

    runFindAll(env, w, u"請求書"_s, [&](FindAllDialog& d) {
        FoundModel& model = d.model();
        const QModelIndex pageIndex = model.index(pageRow, 0);
        const QModelIndex row = matchRow < 0 ? pageIndex : model.index(matchRow, 0, pageIndex);
        d.controls().resultList->setCurrentIndex(row);
        if (byMouse) {
            const QRect r =
                d.controls().resultList->visualRect(model.index(matchRow, 2, pageIndex));
            QTest::mouseDClick(d.controls().resultList->viewport(), Qt::LeftButton, {}, r.center());
        } else {
            QTest::keyClick(d.controls().resultList, Qt::Key_Return);
        }
        QVERIFY(!d.isVisible()); // it closes on the way
    });

    TextView& view = w.views().visible();
    QCOMPARE(w.workspace().state.currentPage, page);
    QCOMPARE(w.windowTitle(), u"Sorabun - %1"_s.arg(page));
    QVERIFY(actionOf(&w, u"page%1"_s.arg(page))->isChecked());
    QCOMPARE(view.selStart(), start);
    QCOMPARE(view.selLength(), 3);
    QCOMPARE(w.views().wrappedShown(), wrap);
    if (page == 1) {
        // Still on show, edits and undo kept, nothing stored.
        QCOMPARE(view.text(), edited);
        QCOMPARE(env.page(1), QString());
        QVERIFY(w.workspace().state.undoAvailable);
    } else {
        // Switched the way the page items do: the page left is stored.
        QVERIFY(!actionOf(&w, u"page1"_s)->isChecked());
        QCOMPARE(env.page(1), edited);
        QVERIFY(!w.workspace().state.undoAvailable);
    }
    // Find next goes on with the same text from the match chosen.
    if (next >= 0) {
        w.search.findNext();
        QCOMPARE(view.selStart(), next);
    }
    env.prompts.verifyDone();
}

void TestFindAll::atMostTenThousandRows() {
    TestEnv env;
    QString lines;
    for (int i = 0; i < 6000; ++i)
        lines += u"xa\r\n"_s;
    storePages(env, {{1, lines}, {2, lines}, {3, u"a"_s}}, 1);
    MainWindow& w = env.start();
    runFindAll(env, w, u"a"_s, [&](FindAllDialog& d) {
        QCOMPARE(d.results().listed(), 10000);
        QCOMPARE(d.controls().summaryLine->text(), u"「a」: 3 ページで 12,001 件"_s);
        QCOMPARE(d.controls().moreLine->text(),
                 u"一覧は最初の 10,000 件までです。ほかに 2,001 件あります。"_s);
        FoundModel& model = d.model();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.rowCount(model.index(0, 0)), 6000);
        QCOMPARE(model.rowCount(model.index(1, 0)), 4000);
        QCOMPARE(model.rowCount(model.index(2, 0)), 0);
        QCOMPARE(model.index(1, 0).data().toString(),
                 u"ページ 2（6,000 件、うち 4,000 件を一覧）"_s);
        QCOMPARE(model.index(2, 0).data().toString(), u"ページ 3（1 件、一覧にはありません）"_s);
        // The last row listed: the 4,000th line of page 2.
        const QModelIndex last = model.index(3999, FoundModel::LineColumn, model.index(1, 0));
        QCOMPARE(last.data().toString(), u"4000"_s);
        // A page beyond the rows is still reached through its own row.
        d.controls().resultList->setCurrentIndex(model.index(2, 0));
        d.goToMatch();
    });
    QCOMPARE(w.workspace().state.currentPage, 3);
    QCOMPARE(w.views().visible().selLength(), 1);
}

void TestFindAll::stoppingKeepsTheRowsFound() {
    TestEnv env;
    QString lines;
    for (int i = 0; i < 100000; ++i)
        lines += u"xa\r\n"_s;
    storePages(env, {{1, lines}, {2, lines}}, 2);
    MainWindow& w = env.start();
    FindAllDialog d(w.workspace(), w.pages, u"a"_s);
    d.begin();
    QVERIFY(d.searching());
    QVERIFY(d.controls().stopButton->isEnabled());
    d.stopSearch();
    QVERIFY(!d.searching());
    QVERIFY(!d.nothingFound());
    QVERIFY(!d.controls().stopButton->isEnabled());
    const qsizetype found = d.results().total();
    QVERIFY(found > 0 && found < 200000);
    QVERIFY2(
        d.controls().summaryLine->text().startsWith(u"「a」: ページ 1 を検索中に中止しました。"_s),
        qPrintable(d.controls().summaryLine->text()));
    QCOMPARE(d.model().rowCount(d.model().index(0, 0)), std::min<qsizetype>(found, 10000));
    d.searchSlice(); // a slice left in the queue finds nothing more
    d.stopSearch();
    QCOMPARE(d.results().total(), found);
    QVERIFY(d.controls().summaryLine->text().contains(u"ページ 1 を検索中"_s));
}

QTEST_MAIN(TestFindAll)
#include "tst_find_all.moc"
