#include "files/text_file.h"
#include "intake/distribution_dialog.h"
#include "platform/twips.h"
#include "support/modal_driver.h"
#include "support/test_env.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTest>

// Files named on the command line, taken in at start-up as the three options
// decide. Every case starts the whole program on a real store, with real
// files in a temporary folder.

namespace {

const QString DialogName = QStringLiteral("DistributionDialog");

// What the distribution dialog looked like when it came up.
struct DialogSeen {
    int times = 0;
    QStringList shown; // the entries as listed
    QStringList names; // the names the entries open
    QString fileLine;
    bool mainWindowVisible = true;
    QPoint topLeft;
    QPoint centred;
};

// Records the dialog and then runs `act` on it (the dialog closes afterwards).
std::unique_ptr<ModalDriver> watchDialog(DialogSeen& seen,
                                         std::function<void(DistributionDialog&)> act = {}) {
    return std::make_unique<ModalDriver>(DialogName, [&seen, act](QDialog& d) {
        auto& dialog = static_cast<DistributionDialog&>(d);
        ++seen.times;
        seen.shown.clear();
        seen.names.clear();
        for (int i = 0; i < dialog.controls().fileList->count(); ++i) {
            seen.shown << dialog.controls().fileList->item(i)->text();
            seen.names << dialog.entryName(i);
        }
        seen.fileLine = dialog.controls().fileLine->text();
        seen.mainWindowVisible = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == u"MainWindow" && w->isVisible())
                seen.mainWindowVisible = true;
        seen.topLeft = dialog.frameGeometry().topLeft();
        const QPoint t =
            twips::centredOnScreen(twips::fromPx(dialog.frameGeometry().width(), &d),
                                   twips::fromPx(dialog.frameGeometry().height(), &d), &d);
        seen.centred = QPoint(twips::toPx(t.x(), &d), twips::toPx(t.y(), &d));
        if (act)
            act(dialog);
    });
}

// The files of the tests, by the token a table row names them with.
struct Files {
    explicit Files(TestEnv& env) : env(env) {
        env.writeFile(QStringLiteral("a.txt"), "A-text\r\nsecond line");
        env.writeFile(QStringLiteral("b.txt"), "B-text");
        env.writeFile(QStringLiteral("c.txt"), "C-text \x82\xa0"); // ends in "あ"
        env.writeFile(QStringLiteral("empty.txt"), QByteArray());
        // A memo as Linux tools write it, and one with a UTF-16 mark.
        env.writeFile(QStringLiteral("u.txt"), QStringLiteral("今日の買い物\nりんご\n").toUtf8());
        env.writeFile(QStringLiteral("w.txt"), QByteArray("\xFF\xFE\xE1\x30\xE2\x30", 6));
        QDir(env.dir.path()).mkdir(QStringLiteral("folder"));
        // Larger than the views take: refused before a byte is read, which
        // makes an unreadable file even for a user who may read everything.
        QFile big(env.dir.filePath(QStringLiteral("big.txt")));
        if (big.open(QIODevice::WriteOnly))
            big.resize(textfile::MaxFileBytes + 1);
    }
    QString path(const QString& token) const {
        if (token.isEmpty())
            return QString();
        if (token == u"missing")
            return env.dir.filePath(QStringLiteral("missing.txt"));
        if (token == u"folder")
            return env.dir.filePath(QStringLiteral("folder"));
        return env.dir.filePath(token + QStringLiteral(".txt"));
    }
    QStringList paths(const QStringList& tokens) const {
        QStringList out;
        for (const QString& t : tokens)
            out << path(t);
        return out;
    }
    // What a page holds for a mask character: '.' blank, 'x' its old text,
    // a letter the text of that file.
    static QString text(QChar c, int page) {
        switch (c.unicode()) {
        case '.':
            return QString();
        case 'x':
            return QStringLiteral("old %1").arg(page);
        case 'a':
            return QStringLiteral("A-text\r\nsecond line");
        case 'b':
            return QStringLiteral("B-text");
        case 'c':
            return QStringLiteral("C-text あ");
        case 'u':
            return QStringLiteral("今日の買い物\nりんご\n");
        case 'w':
            return QStringLiteral("メモ");
        default:
            return QStringLiteral("?");
        }
    }
    TestEnv& env;
};

} // namespace

class TestIntake : public QObject {
    Q_OBJECT

private slots:
    // Every combination of the three options, with the pages before and after
    // and the dialog's entries when it shows.
    void options_data() {
        QTest::addColumn<QString>("ComLine");
        QTest::addColumn<QString>("NoeNumOP");
        QTest::addColumn<QString>("AutoOP");
        QTest::addColumn<QString>("page"); // stored "Page"; "" = absent
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<QStringList>("entries");
        const QStringList none;
        const QString blank = QStringLiteral(".........");
        auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };

        row("no arguments: nothing, whatever the options")
            << "0"
            << "1"
            << "1"
            << "3" << blank << none << blank << false << none;
        row("one empty argument counts as none")
            << "0"
            << "0"
            << "0"
            << "" << blank << QStringList{""} << blank << false << none;
        row("ComLine on: a single file is ignored")
            << "1"
            << "1"
            << "1"
            << "4" << blank << QStringList{"a"} << blank << false << none;
        row("ComLine on: several files are ignored")
            << "1"
            << "0"
            << "1"
            << "" << blank << QStringList{"a", "b", "c"} << blank << false << none;
        row("ComLine on: no dialog either")
            << "1"
            << "0"
            << "0"
            << "" << blank << QStringList{"a", "b"} << blank << false << none;
        row("ComLine stored as -1 is on")
            << "-1"
            << "0"
            << "0"
            << "" << blank << QStringList{"a"} << blank << false << none;

        row("one file, NoeNumOP: into the page shown last")
            << "0"
            << "1"
            << "0"
            << "4" << blank << QStringList{"a"} << "...a....." << false << none;
        row("one file, NoeNumOP: replaces that page's text without asking")
            << "0"
            << "1"
            << "0"
            << "2"
            << "xxxxxxxxx" << QStringList{"b"} << "xbxxxxxxx" << false << none;
        row("one file, NoeNumOP wins over AutoOP")
            << "0"
            << "1"
            << "1"
            << "5"
            << "xx......." << QStringList{"c"} << "xx..c...." << false << none;
        row("one file, NoeNumOP, no Page stored: page 1")
            << "0"
            << "1"
            << "0"
            << ""
            << ".x......." << QStringList{"a"} << "ax......." << false << none;
        row("one file, NoeNumOP, Page outside the pages: page 1, the page shown")
            << "0"
            << "1"
            << "0"
            << "12" << blank << QStringList{"a"} << "a........" << false << none;
        row("one empty file, NoeNumOP: the page becomes blank")
            << "0"
            << "1"
            << "0"
            << "3"
            << "xxxxxxxxx" << QStringList{"empty"} << "xx.xxxxxx" << false << none;
        row("one missing file, NoeNumOP: the dialog offers it")
            << "0"
            << "1"
            << "0"
            << "4"
            << "xxxxxxxxx" << QStringList{"missing"} << "xxxxxxxxx" << true
            << QStringList{"missing"};
        row("one folder, NoeNumOP: not a file, the dialog offers it")
            << "0"
            << "1"
            << "0"
            << "4" << blank << QStringList{"folder"} << blank << true << QStringList{"folder"};
        row("one file too large, NoeNumOP: page kept, offered to the text editor")
            << "0"
            << "1"
            << "0"
            << "4"
            << "xxxxxxxxx" << QStringList{"big"} << "xxxxxxxxx" << false << QStringList{};
        row("one missing file, NoeNumOP and AutoOP: no page filled, the dialog offers it")
            << "0"
            << "1"
            << "1"
            << "1" << blank << QStringList{"missing"} << blank << true << QStringList{"missing"};
        row("two files, NoeNumOP and AutoOP: the first two blank pages")
            << "0"
            << "1"
            << "1"
            << "4"
            << "x........" << QStringList{"a", "b"} << "xab......" << false << none;
        row("one UTF-8 file, NoeNumOP: its text as written")
            << "0"
            << "1"
            << "0"
            << "4" << blank << QStringList{"u"} << "...u....." << false << none;
        row("two files, NoeNumOP only: the dialog shows both")
            << "0"
            << "1"
            << "0"
            << "4" << blank << QStringList{"a", "b"} << blank << true << QStringList{"a", "b"};

        row("AutoOP, pages 2 and 7 blank, three files: the third left for the dialog")
            << "0"
            << "0"
            << "1"
            << ""
            << "x.xxxx.xx" << QStringList{"a", "b", "c"} << "xaxxxxbxx" << true << QStringList{"c"};
        row("AutoOP, as many blank pages as files: all placed, no dialog")
            << "0"
            << "0"
            << "1"
            << ""
            << "xx.x.xx.x" << QStringList{"a", "b", "c"} << "xxaxbxxcx" << false << none;
        row("AutoOP, no blank page: the dialog shows all")
            << "0"
            << "0"
            << "1"
            << ""
            << "xxxxxxxxx" << QStringList{"a", "b"} << "xxxxxxxxx" << true << QStringList{"a", "b"};
        row("AutoOP, ten names for nine pages: the tenth left over")
            << "0"
            << "0"
            << "1"
            << "" << blank << QStringList{"a", "b", "c", "a", "b", "c", "a", "b", "c", "empty"}
            << "abcabcabc" << true << QStringList{"empty"};
        row("AutoOP, UTF-8 and UTF-16 files: their texts as written")
            << "0"
            << "0"
            << "1"
            << ""
            << "x........" << QStringList{"u", "w"} << "xuw......" << false << none;
        row("AutoOP, an empty file fills its page with nothing")
            << "0"
            << "0"
            << "1"
            << "" << blank << QStringList{"empty", "a"} << ".a......." << false << none;
        row("AutoOP, unreadable names stay listed, their pages wait for the next file")
            << "0"
            << "0"
            << "1"
            << ""
            << "x.x.xxxxx" << QStringList{"missing", "a", "folder", "b"} << "xaxbxxxxx" << true
            << QStringList{"missing", "folder"};
        row("AutoOP, nothing readable: every page stays blank")
            << "0"
            << "0"
            << "1"
            << "" << blank << QStringList{"missing", "big"} << blank << true
            << QStringList{"missing"};
        row("AutoOP, an empty argument is never read")
            << "0"
            << "0"
            << "1"
            << "" << blank << QStringList{"a", "", "b"} << "ab......." << true << QStringList{""};
        row("AutoOP stored as 2 is on, as the options dialog shows it")
            << "0"
            << "0"
            << "2"
            << ""
            << "x........" << QStringList{"a"} << "xa......." << false << none;

        row("no option: the dialog shows all, in order")
            << "0"
            << "0"
            << "0"
            << "" << blank << QStringList{"c", "a", "missing"} << blank << true
            << QStringList{"c", "a", "missing"};
        row("no option stored at all: the dialog")
            << ""
            << ""
            << ""
            << "" << blank << QStringList{"a"} << blank << true << QStringList{"a"};
    }
    void options() {
        QFETCH(QString, ComLine);
        QFETCH(QString, NoeNumOP);
        QFETCH(QString, AutoOP);
        QFETCH(QString, page);
        QFETCH(QString, before);
        QFETCH(QStringList, args);
        QFETCH(QString, after);
        QFETCH(bool, dialog);
        QFETCH(QStringList, entries);

        TestEnv env;
        Files files(env);
        const QList<std::pair<const char*, QString>> stored = {
            {"ComLine", ComLine}, {"NoeNumOP", NoeNumOP}, {"AutoOP", AutoOP}, {"Page", page}};
        for (const auto& [k, v] : stored)
            if (!v.isEmpty())
                env.store->WriteSetting(QString::fromLatin1(k), v);
        for (int n = 1; n <= 9; ++n)
            if (before[n - 1] != u'.')
                env.setPage(n, Files::text(before[n - 1], n));

        // A file too large for the views is offered to the text editor
        // whenever an option takes it in without the dialog.
        const auto on = [](const QString& v) { return !v.isEmpty() && v != u"0"; };
        const qsizetype offered =
            !on(ComLine) && (on(NoeNumOP) || on(AutoOP)) ? args.count(QStringLiteral("big")) : 0;
        for (qsizetype i = 0; i < offered; ++i)
            env.prompts.answer(Prompts::Answer::No);

        DialogSeen seen;
        auto driver = watchDialog(seen);
        MainWindow& w = env.start(files.paths(args));

        for (int n = 1; n <= 9; ++n)
            QVERIFY2(env.page(n) == Files::text(after[n - 1], n), qPrintable(QString::number(n)));
        QCOMPARE(seen.times, dialog ? 1 : 0);
        if (dialog) {
            QStringList shown;
            for (const QString& p : files.paths(entries))
                shown << p.toLower();
            QCOMPARE(seen.shown, shown);
            QCOMPARE(seen.names, files.paths(entries));
            QVERIFY(!seen.mainWindowVisible);
            QCOMPARE(seen.topLeft, seen.centred);
        }
        // The window opens on the page last shown, with what the intake put there.
        QCOMPARE(w.views().visible().text(), env.page(w.workspace().state.currentPage));
        QVERIFY(w.isVisible());
        QCOMPARE(env.prompts.calls.size(), offered);
        for (const PromptCall& call : env.prompts.calls)
            QCOMPARE(call.text,
                     QStringLiteral(
                         "ファイルが大きすぎます。ファイルのパスをワードパットに送りますか？"));
    }

    // With every entry placed by hand the dialog still opens with its first
    // entry selected; once the automatic filling has taken entries away, none is.
    void dialogSelection_data() {
        QTest::addColumn<QString>("AutoOP");
        QTest::addColumn<QString>("fileLine");
        QTest::newRow("all names offered") << "0"
                                           << "a";
        QTest::newRow("names left over") << "1"
                                         << "";
    }
    void dialogSelection() {
        QFETCH(QString, AutoOP);
        QFETCH(QString, fileLine);
        TestEnv env;
        Files files(env);
        env.store->WriteSetting(QStringLiteral("AutoOP"), AutoOP);
        for (int n = 2; n <= 9; ++n)
            env.setPage(n, QStringLiteral("kept"));
        DialogSeen seen;
        auto driver = watchDialog(seen);
        env.start(files.paths({"a", "b"}));
        QCOMPARE(seen.times, 1);
        QCOMPARE(seen.fileLine, fileLine.isEmpty() ? QString() : files.path(fileLine).toLower());
    }

    // What the user transfers in the dialog at start-up is what the window shows.
    void transferAtStartUpIsShown() {
        TestEnv env;
        Files files(env);
        env.store->WriteSetting(QStringLiteral("Page"), QStringLiteral("5"));
        env.store->WriteSetting(QStringLiteral("SelStart"), QStringLiteral("400"));
        env.store->WriteSetting(QStringLiteral("SelLen"), QStringLiteral("9"));
        env.setPage(5, QStringLiteral("old five, a longer text than the file brings"));
        DialogSeen seen;
        auto driver = watchDialog(seen, [](DistributionDialog& d) {
            d.controls().fileList->setCurrentRow(1);
            d.controls().targetPage->setCurrentIndex(4);
            d.transfer();
            d.finish();
        });
        MainWindow& w = env.start(files.paths({"a", "b"}));
        QCOMPARE(seen.times, 1);
        QCOMPARE(env.page(5), QStringLiteral("B-text"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - 5"));
        QCOMPARE(w.views().visible().text(), QStringLiteral("B-text"));
        // The caret of the old text is kept within the new one.
        QCOMPARE(w.views().visible().selStart(), 6);
        QCOMPARE(w.views().visible().selLength(), 0);
    }

    // The single-file shortcut: the window opens showing the file.
    void singleFileIsShownAtOnce() {
        TestEnv env;
        Files files(env);
        env.store->WriteSetting(QStringLiteral("NoeNumOP"), QStringLiteral("1"));
        env.store->WriteSetting(QStringLiteral("Page"), QStringLiteral("4"));
        env.store->WriteSetting(QStringLiteral("SelStart"), QStringLiteral("1000"));
        DialogSeen seen;
        auto driver = watchDialog(seen);
        MainWindow& w = env.start({files.path(QStringLiteral("a"))});
        QCOMPARE(seen.times, 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - 4"));
        QCOMPARE(w.views().visible().text(), QStringLiteral("A-text\r\nsecond line"));
        QCOMPARE(w.views().visible().selStart(), 19);
    }

    // Each name is opened exactly as given: listed in lower case, but a file
    // system that tells capitals apart would find nothing under the
    // lower-cased name; and a name with a space stays one name.
    void namesAreOpenedAsGiven_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("NoeNumOP");
        QTest::addColumn<QString>("AutoOP");
        QTest::addColumn<bool>("byHand");
        for (const char* name : {"Memo/A.TXT", "my memo.txt"}) {
            QTest::addRow("%s, single-file shortcut", name) << name << "1"
                                                            << "0" << false;
            QTest::addRow("%s, blank pages", name) << name << "0"
                                                   << "1" << false;
            QTest::addRow("%s, transfer in the dialog", name) << name << "0"
                                                              << "0" << true;
        }
    }
    void namesAreOpenedAsGiven() {
        QFETCH(QString, name);
        QFETCH(QString, NoeNumOP);
        QFETCH(QString, AutoOP);
        QFETCH(bool, byHand);
        TestEnv env;
        QDir(env.dir.path()).mkdir(QStringLiteral("Memo"));
        const QString path = env.writeFile(name, "as given");
        env.store->WriteSetting(QStringLiteral("NoeNumOP"), NoeNumOP);
        env.store->WriteSetting(QStringLiteral("AutoOP"), AutoOP);
        DialogSeen seen;
        auto driver = watchDialog(seen, [](DistributionDialog& d) { d.transfer(); });
        env.start({path});
        QCOMPARE(seen.times, byHand ? 1 : 0);
        if (byHand)
            QCOMPARE(seen.shown, QStringList{path.toLower()});
        QCOMPARE(env.page(1), QStringLiteral("as given"));
    }

    // The options take effect at the next start, not in the running one.
    void optionsChangedInTheRunActAtTheNextStart() {
        TestEnv env;
        Files files(env);
        DialogSeen seen;
        auto driver = watchDialog(seen);
        MainWindow& w = env.start();
        w.workspace().state.fillBlankPages = 1;
        env.stop();
        clearQuitRequest();
        env.start(files.paths({"a"}));
        QCOMPARE(seen.times, 0);
        QCOMPARE(env.page(1), QStringLiteral("A-text\r\nsecond line"));
    }
};

QTEST_MAIN(TestIntake)
#include "tst_intake.moc"
