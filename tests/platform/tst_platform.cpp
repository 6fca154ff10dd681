#include "platform/common_dialog.h"
#include "platform/long_work.h"
#include "platform/prompts.h"
#include "platform/twips.h"
#include "support/scripted_platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
// The names a file dialog lists in its folder, once the folder has been read.
QStringList filesListed(QFileDialog* d) {
    auto* view = d->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    for (int tries = 0; view && tries < 200 && names.isEmpty(); ++tries) {
        QTest::qWait(10);
        const QModelIndex folder = view->rootIndex();
        for (int r = 0; r < view->model()->rowCount(folder); ++r)
            names << view->model()->index(r, 0, folder).data().toString();
    }
    names.sort();
    return names;
}

// Runs `inspect` on the modal dialog that `show` opens, then closes it with `close`.
template <typename Dialog> void whileOpen(std::function<void(Dialog*)> inspect) {
    QTimer::singleShot(0, [inspect] {
        for (int i = 0; i < 100; ++i) {
            if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                inspect(d);
                return;
            }
            QTest::qWait(10);
        }
        QTest::qFail("no dialog came up", __FILE__, __LINE__);
    });
}
} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(installJapaneseTranslation()); }

    void scriptedPromptsFailOnUnexpectedPrompt() {
        ScriptedPrompts prompts;
        QEXPECT_FAIL("", "a prompt nobody expected must fail the test", Continue);
        const auto answer = prompts.messageBox(QStringLiteral("質問"), QStringLiteral("Sorabun"),
                                               Prompts::Buttons::YesNo);
        QCOMPARE(answer, Prompts::Answer::No); // and it answers the harmless way
        QCOMPARE(prompts.calls.size(), 1);
        QCOMPARE(prompts.calls[0].text, QStringLiteral("質問"));
    }

    void scriptedPromptsFailOnLeftOverAnswer() {
        ScriptedPrompts prompts;
        prompts.answer(Prompts::Answer::Yes);
        QEXPECT_FAIL("", "an answer nobody asked for must fail the test", Continue);
        prompts.verifyDone();
        QVERIFY(true);
    }

    void scriptedDialogFailsOnUnexpectedDialog() {
        ScriptedCommonDialog com;
        QEXPECT_FAIL("", "a file dialog nobody expected must fail the test", Continue);
        QVERIFY(!com.showOpen()); // and nothing is chosen
        QCOMPARE(com.shown, QStringList{QStringLiteral("open")});
    }

    void messageBoxShowsExactTextWithoutIcon_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("defaultCaption");
        QTest::newRow("question, yes default")
            << int(Prompts::Buttons::YesNo) << int(Prompts::Answer::Yes)
            << QStringList{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}
            << QStringLiteral("はい(&Y)");
        QTest::newRow("notice") << int(Prompts::Buttons::Ok) << int(Prompts::Answer::Ok)
                                << QStringList{QStringLiteral("OK")} << QStringLiteral("OK");
    }
    void messageBoxShowsExactTextWithoutIcon() {
        QFETCH(int, buttons);
        QFETCH(int, defaultButton);
        QFETCH(QStringList, captions);
        QFETCH(QString, defaultCaption);
        const QString text = QStringLiteral("一行目\r\n二行目");
        QString seenText, seenTitle, seenDefault;
        QStringList seenCaptions;
        int seenIcon = -1;
        whileOpen<QMessageBox>([&](QMessageBox* box) {
            seenText = box->text();
            seenTitle = box->windowTitle();
            seenIcon = box->icon();
            for (QAbstractButton* b : box->buttons())
                seenCaptions << b->text();
            seenDefault = box->defaultButton() ? box->defaultButton()->text() : QString();
            box->defaultButton()->click();
        });
        QtPrompts prompts;
        const auto answer =
            prompts.messageBox(text, QStringLiteral("検索"), Prompts::Buttons(buttons),
                               Prompts::Answer(defaultButton));
        QCOMPARE(seenText, text);
        QCOMPARE(seenTitle, QStringLiteral("検索"));
        QCOMPARE(seenIcon, int(QMessageBox::NoIcon));
        seenCaptions.sort();
        captions.sort();
        QCOMPARE(seenCaptions, captions);
        QCOMPARE(seenDefault, defaultCaption);
        QCOMPARE(answer, Prompts::Answer(defaultButton));
    }

    void inputBoxCancelGivesEmptyText() {
        whileOpen<QDialog>([](QDialog* d) {
            auto* edit = d->findChild<QLineEdit*>();
            QVERIFY(edit);
            QCOMPARE(edit->text(), QStringLiteral("前回"));
            d->reject();
        });
        QtPrompts prompts;
        QCOMPARE(prompts.inputBox(QStringLiteral("入力"), QStringLiteral("検索"),
                                  QStringLiteral("前回")),
                 QString());
        whileOpen<QDialog>([](QDialog* d) {
            d->findChild<QLineEdit*>()->setText(QStringLiteral("新しい"));
            d->accept();
        });
        QCOMPARE(prompts.inputBox(QStringLiteral("入力"), QStringLiteral("検索"), QString()),
                 QStringLiteral("新しい"));
    }

    void fileDialogShowsEachFilterOnce_data() {
        QTest::addColumn<bool>("save");
        QTest::newRow("Open") << false;
        QTest::newRow("Save") << true;
    }
    void fileDialogShowsEachFilterOnce() {
        QFETCH(bool, save);
        QTemporaryDir dir;
        for (const char* name : {"a.txt", "b.log", "memo"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QStringList shown, listedText, listedAll;
        whileOpen<QFileDialog>([&](QFileDialog* d) {
            auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; types && i < types->count(); ++i)
                shown << types->itemText(i);
            listedText = filesListed(d);
            d->selectNameFilter(d->nameFilters().value(1));
            listedAll = filesListed(d);
            d->reject();
        });
        QtCommonDialog com;
        com.filter = QStringLiteral("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*");
        com.fileName = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(!(save ? com.showSave() : com.showOpen()));
        QCOMPARE(shown, QStringList({QStringLiteral("テキストファイル(*.txt)"),
                                     QStringLiteral("すべてのファイル(*.*)")}));
        // Each entry filters by its pattern; all files means every file, a
        // name without a dot included.
        QCOMPARE(listedText, QStringList{QStringLiteral("a.txt")});
        QCOMPARE(listedAll, QStringList({QStringLiteral("a.txt"), QStringLiteral("b.log"),
                                         QStringLiteral("memo")}));
    }

    void centringTruncates() {
        const QSize screen = twips::screenSize();
        const QPoint p = twips::centredOnScreen(5685.4, 1050.6);
        QCOMPARE(p.x(), screen.width() / 2 - 5685 / 2);
        QCOMPARE(p.y(), screen.height() / 2 - 1051 / 2);
    }

    // A signal or the session's end waits for long work to end, but not for
    // a dialog inside it that waits for the user (the Open dialog at logout).
    void afterWorkWaitsForTheWorkOnly_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("atOnce");
        QTest::newRow("no work") << "none" << true;
        QTest::newRow("in long work") << "work" << false;
        QTest::newRow("in a dialog inside long work") << "dialog" << true;
        QTest::newRow("in long work inside that dialog") << "work in dialog" << false;
    }
    void afterWorkWaitsForTheWorkOnly() {
        QFETCH(QString, where);
        QFETCH(bool, atOnce);
        QObject context;
        int ran = 0;
        bool ranAtOnce = false;
        auto ask = [&] {
            LongWork::afterWork(&context, [&ran] { ++ran; });
            ranAtOnce = ran == 1;
        };
        {
            std::optional<LongWork> work;
            if (where != u"none")
                work.emplace(QStringLiteral("work"));
            if (where.contains(u"dialog")) {
                QDialog dialog;
                QTimer::singleShot(0, &dialog, [&] {
                    std::optional<LongWork> inner;
                    if (where == u"work in dialog")
                        inner.emplace(QStringLiteral("inner work"));
                    ask();
                });
                QTimer::singleShot(200, &dialog, &QDialog::reject);
                dialog.exec();
            } else {
                ask();
            }
        }
        QCOMPARE(ranAtOnce, atOnce);
        QTRY_COMPARE(ran, 1); // and never twice
        QTest::qWait(100);
        QCOMPARE(ran, 1);
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
