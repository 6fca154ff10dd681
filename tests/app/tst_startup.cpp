#include "app/program.h"
#include "app/window_system.h"
#include "platform/twips.h"
#include "store/values.h"
#include "support/test_env.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

namespace {
QString key(const char* k) {
    return QString::fromLatin1(k);
}
} // namespace

class TestStartup : public QObject {
    Q_OBJECT

    static QPoint centredPx(double w, double h, const QWidget* wdg) {
        const QPoint t = twips::centredOnScreen(w, h, wdg);
        return QPoint(twips::toPx(t.x(), wdg), twips::toPx(t.y(), wdg));
    }

private slots:
    void emptyStoreIsAFirstStart() {
        TestEnv env;
        MainWindow& w = env.start();
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - 1"));
        QCOMPARE(w.workspace().state.currentPage, 1);
        QVERIFY(!w.isMaximized());
        QCOMPARE(qRound(w.placement.outer().width()), 11475);
        QCOMPARE(qRound(w.placement.outer().height()), 8340);
        // 11475 x 8340 twips on the 96 dpi offscreen screen, frame included.
        QCOMPARE(w.frameGeometry().size(), QSize(765, 556));
        QCOMPARE(w.frameGeometry().topLeft(), centredPx(11475, 8340, &w));
        for (int n = 1; n <= 9; ++n)
            QCOMPARE(actionOf(&w, QStringLiteral("page%1").arg(n))->isChecked(), n == 1);
        QVERIFY(!w.views().wrappedView.isHidden());
        QVERIFY(w.views().unwrappedView.isHidden());
        QVERIFY(actionOf(&w, key("wordWrap"))->isChecked());
        QCOMPARE(w.views().wrappedView.text(), QString());
        QCOMPARE(w.views().wrappedView.selStart(), 0);
        QVERIFY(!w.workspace().state.undoAvailable);
        QCOMPARE(w.workspace().state.ignoreCommandLine + w.workspace().state.singleFileToLastPage +
                     w.workspace().state.fillBlankPages,
                 0);
        QCOMPARE(w.views().wrappedView.font().family(), QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(w.views().wrappedView.font().pointSizeF(), 12.0);
        QCOMPARE(w.views().wrappedView.colourValue(), values::windowTextColour);
        QVERIFY(!actionOf(&w, key("defaultSize"))->isEnabled());
        // The window's design: no status bar, the views at 100 %.
        QVERIFY(!actionOf(&w, key("statusBar"))->isChecked());
        QVERIFY(w.status.fields().bar->isHidden());
        QCOMPARE(w.views().zoom(), 100);
    }

    void placement_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QRectF>("stored"); // left, top, width, height
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<QRectF>("outer"); // empty: the default size, centred
        // Whether the window system tells the place (X11) or not (Wayland),
        // and the place written then (null: the outer rectangle's).
        QTest::addColumn<bool>("placeKnown");
        QTest::addColumn<QPointF>("written");
        const QRectF centred;
        // The offscreen screen is 800 x 800 pixels: 12000 x 12000 twips.
        QTest::newRow("stored place") << "0" << QRectF(1500, 900, 6000, 4500) << false
                                      << QRectF(1500, 900, 6000, 4500) << true << QPointF();
        QTest::newRow("off the pixel grid, kept to the twip")
            << "0" << QRectF(1001, 907, 6007, 4501) << false << QRectF(1001, 907, 6007, 4501)
            << true << QPointF();
        QTest::newRow("maximized last time")
            << "2" << QRectF(1500, 900, 6000, 4500) << true << centred << true << QPointF();
        QTest::newRow("minimized last time")
            << "1" << QRectF() << false << centred << true << QPointF();
        QTest::newRow("left 0, top not 0")
            << "0" << QRectF(0, 900, 6000, 4500) << false << centred << true << QPointF();
        QTest::newRow("larger than the screen: moved and shrunk onto it")
            << "0" << QRectF(1500, 900, 30000, 20000) << false << QRectF(0, 0, 12000, 12000) << true
            << QPointF();
        QTest::newRow("over the right edge: moved back")
            << "0" << QRectF(9000, 900, 6000, 4500) << false << QRectF(6000, 900, 6000, 4500)
            << true << QPointF();
        QTest::newRow("above the top: moved down")
            << "0" << QRectF(1500, -3000, 6000, 4500) << false << QRectF(1500, 0, 6000, 4500)
            << true << QPointF();
        QTest::newRow("Wayland: the place written back as read, though shown moved")
            << "0" << QRectF(9000, -300, 6000, 4500) << false << QRectF(6000, 0, 6000, 4500)
            << false << QPointF(9000, -300);
        QTest::newRow("Wayland: none stored, the centred place written")
            << "0" << QRectF(0, 900, 6000, 4500) << false << centred << false << QPointF();
    }

    void placement() {
        QFETCH(QString, window);
        QFETCH(QRectF, stored);
        QFETCH(bool, maximized);
        QFETCH(QRectF, outer);
        QFETCH(bool, placeKnown);
        QFETCH(QPointF, written);
        TestEnv env;
        env.store->WriteSetting(key("Window"), window);
        env.store->WriteSetting(key("Left"), values::numberText(stored.x()));
        env.store->WriteSetting(key("Top"), values::numberText(stored.y()));
        env.store->WriteSetting(key("Width"), values::numberText(stored.width()));
        env.store->WriteSetting(key("Height"), values::numberText(stored.height()));
        MainWindow& w = env.start();
        QCOMPARE(w.screen()->availableGeometry(), QRect(0, 0, 800, 800));
        QCOMPARE(w.isMaximized(), maximized);
        if (maximized) {
            // Restoring gives the default size, centred.
            w.showNormal();
            QCOMPARE(qRound(w.placement.outer().width()), 11475);
            QCOMPARE(w.frameGeometry().topLeft(), centredPx(11475, 8340, &w));
            return;
        }
        if (outer.isEmpty())
            outer = QRectF(QPointF(twips::centredOnScreen(11475, 8340, &w)), QSizeF(11475, 8340));
        // The outer rectangle, frame included, is the one asked for ...
        QCOMPARE(w.frameGeometry(),
                 twips::toPx(outer.x(), outer.y(), outer.width(), outer.height(), &w));
        // ... and a start and quit writes it back unchanged, to the twip.
        w.placement.placeKnown = placeKnown;
        if (written.isNull())
            written = outer.topLeft();
        env.stop();
        QCOMPARE(env.store->ReadSetting(key("Window")), key("0"));
        QCOMPARE(env.store->ReadSetting(key("Left")), values::numberText(written.x()));
        QCOMPARE(env.store->ReadSetting(key("Top")), values::numberText(written.y()));
        QCOMPARE(env.store->ReadSetting(key("Width")), values::numberText(outer.width()));
        QCOMPARE(env.store->ReadSetting(key("Height")), values::numberText(outer.height()));
    }

    void caretAndSelectionLimitedToText_data() {
        QTest::addColumn<QString>("selStart");
        QTest::addColumn<QString>("selLen");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::newRow("inside") << "2"
                                << "3" << 2 << 3;
        QTest::newRow("caret beyond the end") << "500"
                                              << "0" << 10 << 0;
        QTest::newRow("selection beyond the end") << "4"
                                                  << "500" << 4 << 6;
        QTest::newRow("negative, never written by the program") << "-5"
                                                                << "-2" << 0 << 0;
        QTest::newRow("text in a number key") << "abc"
                                              << "x" << 0 << 0;
    }
    void caretAndSelectionLimitedToText() {
        QFETCH(QString, selStart);
        QFETCH(QString, selLen);
        QFETCH(int, start);
        QFETCH(int, length);
        for (bool wrap : {true, false}) {
            TestEnv env;
            env.setPage(1, QStringLiteral("0123456789"));
            env.store->WriteSetting(key("Ret"), values::flagText(wrap));
            env.store->WriteSetting(key("SelStart"), selStart);
            env.store->WriteSetting(key("SelLen"), selLen);
            MainWindow& w = env.start();
            for (TextView* v : {&w.views().wrappedView, &w.views().unwrappedView}) {
                QCOMPARE(v->selStart(), start);
                QCOMPARE(v->selLength(), length);
            }
            QCOMPARE(w.views().wrappedShown(), wrap);
        }
    }

    void storedPageOutOfRangeShowsPageOne() {
        TestEnv env;
        env.store->WriteSetting(key("Page"), key("12"));
        env.setPage(1, QStringLiteral("one"));
        MainWindow& w = env.start();
        QCOMPARE(w.workspace().state.currentPage, 1);
        QCOMPARE(w.views().wrappedView.text(), QStringLiteral("one"));
    }

    void fontKeys_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("expectedSize");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("name without size") << ""
                                           << "IPAGothic" << 12.0 << "IPAGothic";
        QTest::newRow("fractional size") << "10.5"
                                         << "" << 10.5 << "ＭＳ ゴシック";
        QTest::newRow("garbage size keeps the design size") << "abc"
                                                            << "" << 12.0 << "ＭＳ ゴシック";
    }
    void fontKeys() {
        QFETCH(QString, size);
        QFETCH(QString, name);
        QFETCH(double, expectedSize);
        QFETCH(QString, expectedName);
        TestEnv env;
        if (!size.isEmpty())
            env.store->WriteSetting(key("FontSize"), size);
        if (!name.isEmpty())
            env.store->WriteSetting(key("FontName"), name);
        env.store->WriteSetting(key("FontBold"), key("True"));
        env.store->WriteSetting(key("FontU"), key("-1"));
        env.store->WriteSetting(key("FontC"), QString::number(values::rgbValue(255, 0, 0)));
        MainWindow& w = env.start();
        for (TextView* v : {&w.views().wrappedView, &w.views().unwrappedView}) {
            QCOMPARE(v->font().pointSizeF(), expectedSize);
            QCOMPARE(v->font().family(), expectedName);
            QVERIFY(v->font().bold());
            QVERIFY(v->font().underline());
            QVERIFY(!v->font().italic());
            QCOMPARE(v->colourValue(), values::rgbValue(255, 0, 0));
            QCOMPARE(v->palette().color(QPalette::Text), QColor(255, 0, 0));
        }
    }

    void shutDownWritesEveryKey() {
        TestEnv env;
        env.setPage(3, QStringLiteral("abc\r\ndef"));
        env.store->WriteSetting(key("Page"), key("3"));
        env.store->WriteSetting(key("AutoOP"), key("1"));
        MainWindow& w = env.start();
        w.views().wrappedView.setSelStart(5);
        w.views().wrappedView.setSelLength(2);
        w.views().wrappedView.replaceSelection(QStringLiteral("XY"));
        w.views().wrappedView.setSelStart(1);
        w.views().wrappedView.setSelLength(4);
        const double left = w.placement.outer().x(), top = w.placement.outer().y();
        env.stop();
        SettingsStore& s = *env.store;
        QCOMPARE(s.ReadSetting(key("Page")), key("3"));
        QCOMPARE(s.ReadSetting(key("Ret")), key("True"));
        QCOMPARE(s.ReadSetting(key("StatusBar")), key("False"));
        QCOMPARE(s.ReadSetting(key("3")), QStringLiteral("abc\r\nXYf"));
        QCOMPARE(s.ReadSetting(key("SelStart")), key("1"));
        QCOMPARE(s.ReadSetting(key("SelLen")), key("4"));
        QCOMPARE(s.ReadSetting(key("FontSize")), key("12"));
        QCOMPARE(s.ReadSetting(key("FontName")), QStringLiteral("ＭＳ ゴシック"));
        for (const char* k : {"FontBold", "FontI", "FontS", "FontU"})
            QCOMPARE(s.ReadSetting(key(k)), key("False"));
        QCOMPARE(s.ReadSetting(key("FontC")), key("-2147483640"));
        QCOMPARE(s.ReadSetting(key("ComLine")), key("0"));
        QCOMPARE(s.ReadSetting(key("NoeNumOP")), key("0"));
        QCOMPARE(s.ReadSetting(key("AutoOP")), key("1"));
        QCOMPARE(s.ReadSetting(key("Window")), key("0"));
        QCOMPARE(s.ReadSetting(key("Left")), QString::number(qRound(left)));
        QCOMPARE(s.ReadSetting(key("Top")), QString::number(qRound(top)));
        QCOMPARE(s.ReadSetting(key("Width")), key("11475"));
        QCOMPARE(s.ReadSetting(key("Height")), key("8340"));
    }

    void shutDownWithWrapOffTakesTheVisibleView() {
        TestEnv env;
        MainWindow& w = env.start();
        w.toggleWordWrap();
        QVERIFY(!w.views().unwrappedView.isHidden());
        w.views().unwrappedView.replaceSelection(QStringLiteral("wrap off"));
        env.stop();
        QCOMPARE(env.store->ReadSetting(key("Ret")), key("False"));
        QCOMPARE(env.page(1), QStringLiteral("wrap off"));
        QCOMPARE(env.store->ReadSetting(key("SelStart")), key("8"));
    }

    void minimizedExitStoresZeros() {
        TestEnv env;
        MainWindow& w = env.start();
        w.showMinimized();
        QVERIFY(w.isMinimized());
        env.stop();
        QCOMPARE(env.store->ReadSetting(key("Window")), key("1"));
        for (const char* k : {"Left", "Top", "Width", "Height"})
            QCOMPARE(env.store->ReadSetting(key(k)), key("0"));
    }

    void restartRestoresEverything() {
        TestEnv env;
        {
            MainWindow& w = env.start();
            w.pages.switchToPage(6);
            w.views().wrappedView.replaceSelection(QStringLiteral("六ページ目\r\nです"));
            w.views().wrappedView.setSelStart(2);
            w.views().wrappedView.setSelLength(5);
            QFont f = w.views().wrappedView.font();
            f.setPointSizeF(10.5);
            f.setItalic(true);
            w.views().setFont(f);
            w.views().setColourValue(values::rgbValue(0, 0, 128));
            w.toggleWordWrap();
            w.placement.place(QRectF(1200, 1000, 9000, 6000));
            env.stop();
        }
        QCOMPARE(env.store->ReadSetting(key("FontSize")), key("10.5"));
        MainWindow& w = env.start();
        QCOMPARE(w.workspace().state.currentPage, 6);
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - 6"));
        QVERIFY(actionOf(&w, key("page6"))->isChecked());
        QVERIFY(w.views().unwrappedView.isVisibleTo(&w));
        QVERIFY(!actionOf(&w, key("wordWrap"))->isChecked());
        QCOMPARE(w.views().unwrappedView.text(), QStringLiteral("六ページ目\r\nです"));
        QCOMPARE(w.views().unwrappedView.selStart(), 2);
        QCOMPARE(w.views().unwrappedView.selLength(), 5);
        QCOMPARE(w.views().unwrappedView.font().pointSizeF(), 10.5);
        QVERIFY(w.views().unwrappedView.font().italic());
        QCOMPARE(w.views().unwrappedView.colourValue(), values::rgbValue(0, 0, 128));
        QCOMPARE(qRound(w.placement.outer().x()), 1200);
        QCOMPARE(qRound(w.placement.outer().width()), 9000);
    }

    void windowKeepsItsSmallestSize_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("toolkitLimit");
        QTest::newRow("too narrow") << 3000 << 6000 << false;
        QTest::newRow("too low") << 9000 << 1000 << false;
        QTest::newRow("both") << 1000 << 1000 << false;
        QTest::newRow("both, held by the toolkit") << 1000 << 1000 << true;
    }
    void windowKeepsItsSmallestSize() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, toolkitLimit);
        TestEnv env;
        MainWindow& w = env.start();
        if (!toolkitLimit)
            w.setMinimumSize(0, 0); // as a window manager might ignore it
        w.placement.setSize(width, height);
        // The smallest size is the outer one: the frame is not added on top.
        QVERIFY(std::abs(w.placement.outer().width() - std::max(width, 5265)) < 15);
        QVERIFY(std::abs(w.placement.outer().height() - std::max(height, 2000)) < 15);
        // Both views, the hidden one included, fill the window alike.
        QCOMPARE(w.views().wrappedView.geometry(), w.views().unwrappedView.geometry());
        QCOMPARE(w.views().wrappedView.geometry(), w.centralWidget()->rect());
    }

    // The status bar as the store says (absent: off), turned on or off in
    // the window: the window keeps its outer size and place, the views get
    // shorter or taller, and the next start shows the bar as it was left.
    void statusBarRememberedWindowKept_data() {
        QTest::addColumn<QString>("stored"); // null: absent
        QTest::addColumn<bool>("shown");
        QTest::newRow("absent: off") << QString() << false;
        QTest::newRow("False") << "False" << false;
        QTest::newRow("True") << "True" << true;
        QTest::newRow("-1, a flag as other keys have it") << "-1" << true;
    }
    void statusBarRememberedWindowKept() {
        QFETCH(QString, stored);
        QFETCH(bool, shown);
        TestEnv env;
        if (!stored.isNull())
            env.store->WriteSetting(key("StatusBar"), stored);
        MainWindow& w = env.start();
        QCOMPARE(actionOf(&w, key("statusBar"))->isChecked(), shown);
        QCOMPARE(w.status.fields().bar->isHidden(), !shown);
        const QRect frame = w.frameGeometry();
        const int viewHeight = w.views().visible().height();
        QVERIFY(triggerAction(&w, key("statusBar")));
        QCOMPARE(actionOf(&w, key("statusBar"))->isChecked(), !shown);
        QCOMPARE(w.status.fields().bar->isHidden(), shown);
        const int barHeight = w.status.fields().bar->sizeHint().height();
        QTRY_COMPARE(w.views().visible().height(), viewHeight + (shown ? barHeight : -barHeight));
        QCOMPARE(w.views().hidden().geometry(), w.views().visible().geometry());
        QCOMPARE(w.frameGeometry(), frame);
        env.stop();
        QCOMPARE(env.store->ReadSetting(key("StatusBar")), values::flagText(!shown));
        QCOMPARE(env.store->ReadSetting(key("Width")), key("11475"));
        QCOMPARE(env.store->ReadSetting(key("Height")), key("8340"));
        MainWindow& again = env.start();
        QCOMPARE(actionOf(&again, key("statusBar"))->isChecked(), !shown);
        QCOMPARE(again.status.fields().bar->isHidden(), shown);
        QCOMPARE(again.frameGeometry(), frame);
    }

    void wordWrapSwitchCarriesTextAndSelection() {
        TestEnv env;
        env.setPage(1, QStringLiteral("line one\r\nline two"));
        MainWindow& w = env.start();
        w.views().wrappedView.setSelStart(5);
        w.views().wrappedView.setSelLength(13); // to the end
        w.workspace().state.undoAvailable = true;
        w.toggleWordWrap();
        QVERIFY(w.views().wrappedView.isHidden());
        QCOMPARE(w.views().unwrappedView.selStart(), 5);
        QCOMPARE(w.views().unwrappedView.selLength(), 13);
        QVERIFY(!w.workspace().state.undoAvailable);
        w.views().unwrappedView.setSelStart(0);
        w.views().unwrappedView.replaceSelection(QStringLiteral(">"));
        w.toggleWordWrap();
        QVERIFY(w.views().unwrappedView.isHidden());
        QCOMPARE(w.views().wrappedView.text(), QStringLiteral(">line one\r\nline two"));
        QCOMPARE(w.views().wrappedView.selStart(), 1);
        QVERIFY(actionOf(&w, key("wordWrap"))->isChecked());
    }

    // The window's icon comes from the installed icon theme; a program that
    // is not installed shows the pictures compiled into it, at every size.
    void iconFromThemeElseCompiledIn_data() {
        QTest::addColumn<bool>("installed");
        QTest::newRow("theme holds the icon") << true;
        QTest::newRow("not installed") << false;
    }
    void iconFromThemeElseCompiledIn() {
        QFETCH(bool, installed);
        QTemporaryDir icons;
        if (installed) {
            const QString theme = icons.filePath(QStringLiteral("hicolor"));
            QVERIFY(QDir().mkpath(theme + QStringLiteral("/48x48/apps")));
            QFile index(theme + QStringLiteral("/index.theme"));
            QVERIFY(index.open(QIODevice::WriteOnly));
            index.write("[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n"
                        "[48x48/apps]\nSize=48\nContext=Applications\nType=Fixed\n");
            index.close();
            QImage red(48, 48, QImage::Format_RGB32);
            red.fill(Qt::red);
            QVERIFY(red.save(theme + QStringLiteral("/48x48/apps/sorabun.png")));
        }
        QIcon::setThemeSearchPaths({icons.path()});
        QIcon::setThemeName(QStringLiteral("hicolor"));
        const QIcon icon = ::programIcon();
        const bool themed = icon.pixmap(48).toImage().pixelColor(24, 24) == QColor(Qt::red);
        QCOMPARE(themed, installed);
        if (!installed) {
            for (int size : {16, 24, 32, 48, 64, 128, 256})
                QCOMPARE(icon.pixmap(size).size(), QSize(size, size));
        }
    }

    // Which window system the program asks the toolkit for, and what it
    // leaves alone.
    void preferredPlatform_data() {
        QTest::addColumn<QByteArrayList>("given");
        QTest::addColumn<QByteArray>("qpaPlatform"); // null: unset
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArrayList>("expected"); // empty: as given
        const QByteArrayList files = {"sorabun", "memo.txt", "\xff\x82\xa0.txt", ""};
        QTest::newRow("a Wayland session with Xwayland: X11 first, then Wayland")
            << files << QByteArray() << QByteArray(":0")
            << QByteArrayList{"sorabun",  "-platform",        "xcb;wayland",
                              "memo.txt", "\xff\x82\xa0.txt", ""};
        QTest::newRow("QT_QPA_PLATFORM empty counts as unset")
            << QByteArrayList{"sorabun"} << QByteArray("") << QByteArray(":1")
            << QByteArrayList{"sorabun", "-platform", "xcb;wayland"};
        QTest::newRow("QT_QPA_PLATFORM=wayland: native Wayland as asked")
            << files << QByteArray("wayland") << QByteArray(":0") << QByteArrayList();
        QTest::newRow("-platform on the command line: as asked")
            << QByteArrayList{"sorabun", "memo.txt", "-platform", "offscreen"} << QByteArray()
            << QByteArray(":0") << QByteArrayList();
        QTest::newRow("no X display named: the toolkit's own choice")
            << files << QByteArray() << QByteArray() << QByteArrayList();
    }
    void preferredPlatform() {
        QFETCH(QByteArrayList, given);
        QFETCH(QByteArray, qpaPlatform);
        QFETCH(QByteArray, display);
        QFETCH(QByteArrayList, expected);
        if (expected.isEmpty())
            expected = given;
        std::vector<std::string> arguments;
        for (const QByteArray& a : given)
            arguments.push_back(a.toStdString());
        const std::vector<std::string> result = windowsystem::withPreferredPlatform(
            arguments, qpaPlatform.isNull() ? nullptr : qpaPlatform.constData(),
            display.isNull() ? nullptr : display.constData());
        QByteArrayList got;
        for (const std::string& a : result)
            got << QByteArray::fromStdString(a);
        QCOMPARE(got, expected);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
