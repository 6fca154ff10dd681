#include "support/test_env.h"

#include <QTest>

namespace {

constexpr std::int32_t Red = 0x0000FF; // 0x00BBGGRR
constexpr std::int32_t Blue = 0xFF0000;
constexpr std::int32_t Black = 0;

const QString Gothic = QStringLiteral("ＭＳ ゴシック");

struct Choice {
    QString name;
    double size;
    bool bold, italic, strike, underline;
    std::int32_t colour;
};

// What the user picks in the font dialog.
std::function<void(CommonDialog&)> pick(const Choice& c) {
    return [c](CommonDialog& com) {
        com.fontName = c.name;
        com.fontSize = c.size;
        com.fontBold = c.bold;
        com.fontItalic = c.italic;
        com.fontStrikethru = c.strike;
        com.fontUnderline = c.underline;
        com.colour = c.colour;
    };
}

// The font and colour a view shows, in one comparable line.
QString look(const TextView& v) {
    const QFont f = v.font();
    return QStringLiteral("%1 %2pt%3%4%5%6 colour %7")
        .arg(f.family())
        .arg(f.pointSizeF())
        .arg(f.bold() ? " bold" : "", f.italic() ? " italic" : "", f.strikeOut() ? " struck" : "",
             f.underline() ? " underlined" : "")
        .arg(v.colourValue());
}

QString look(const Choice& c) {
    return QStringLiteral("%1 %2pt%3%4%5%6 colour %7")
        .arg(c.name)
        .arg(c.size)
        .arg(c.bold ? " bold" : "", c.italic ? " italic" : "", c.strike ? " struck" : "",
             c.underline ? " underlined" : "")
        .arg(c.colour);
}

} // namespace

Q_DECLARE_METATYPE(Choice)

class TestFont : public QObject {
    Q_OBJECT

private slots:
    void okChangesBothViews_data();
    void okChangesBothViews();
    void dialogOpensWithText1Font();
    void cancelChangesNothing();
    void dialogKeepsItsOwnColour();
    void fractionalSizeSurvivesARestart_data();
    void fractionalSizeSurvivesARestart();
    void unusableAnswerChangesNothing_data();
    void unusableAnswerChangesNothing();
};

void TestFont::okChangesBothViews_data() {
    QTest::addColumn<bool>("wrapOff");
    QTest::addColumn<Choice>("choice");
    const Choice choices[] = {
        {QStringLiteral("DejaVu Serif"), 14, true, false, true, false, Red},
        {QStringLiteral("IPAGothic"), 10.5, false, true, false, true, Blue},
        {Gothic, 12, true, true, true, true, Black},
    };
    for (bool off : {false, true}) {
        for (const Choice& c : choices) {
            QTest::newRow(qPrintable(
                (off ? QStringLiteral("wrap off: ") : QStringLiteral("wrap on: ")) + look(c)))
                << off << c;
        }
    }
}

void TestFont::okChangesBothViews() {
    QFETCH(bool, wrapOff);
    QFETCH(Choice, choice);
    TestEnv env;
    MainWindow& w = env.start();
    if (wrapOff)
        triggerAction(&w, QStringLiteral("wordWrap"));

    env.com.chooseFont(pick(choice));
    QVERIFY(triggerAction(&w, QStringLiteral("chooseFont")));
    QCOMPARE(env.com.shown, QStringList{QStringLiteral("font")});
    // Screen fonts and the effects group, nothing else.
    QCOMPARE(env.com.flagsShown, QList<int>{257});

    QCOMPARE(look(w.views().wrappedView), look(choice));
    QCOMPARE(look(w.views().unwrappedView), look(choice));
    // Switching word wrap afterwards shows no change of font.
    triggerAction(&w, QStringLiteral("wordWrap"));
    QCOMPARE(look(w.views().visible()), look(choice));
    // The command itself writes nothing to the store.
    QCOMPARE(env.store->ReadSetting(QStringLiteral("FontName")), QString());
    QCOMPARE(env.store->ReadSetting(QStringLiteral("FontC")), QString());
    env.com.verifyDone();
}

void TestFont::dialogOpensWithText1Font() {
    TestEnv env;
    env.store->WriteSetting(QStringLiteral("FontName"), QStringLiteral("DejaVu Sans"));
    env.store->WriteSetting(QStringLiteral("FontSize"), QStringLiteral("9.5"));
    env.store->WriteSetting(QStringLiteral("FontBold"), QStringLiteral("True"));
    env.store->WriteSetting(QStringLiteral("FontI"), QStringLiteral("False"));
    env.store->WriteSetting(QStringLiteral("FontS"), QStringLiteral("True"));
    env.store->WriteSetting(QStringLiteral("FontU"), QStringLiteral("True"));
    MainWindow& w = env.start();
    triggerAction(&w, QStringLiteral("wordWrap"));

    Choice seen{};
    env.com.chooseFont([&](CommonDialog& com) {
        seen = {com.fontName,       com.fontSize,      com.fontBold, com.fontItalic,
                com.fontStrikethru, com.fontUnderline, com.colour};
    });
    QVERIFY(triggerAction(&w, QStringLiteral("chooseFont")));
    QCOMPARE(look(seen),
             look(Choice{QStringLiteral("DejaVu Sans"), 9.5, true, false, true, true, 0}));

    // A first start: the design face, 12 pt, plain.
    TestEnv fresh;
    MainWindow& w2 = fresh.start();
    fresh.com.chooseFont([&](CommonDialog& com) {
        seen = {com.fontName,       com.fontSize,      com.fontBold, com.fontItalic,
                com.fontStrikethru, com.fontUnderline, com.colour};
    });
    QVERIFY(triggerAction(&w2, QStringLiteral("chooseFont")));
    QCOMPARE(look(seen), look(Choice{Gothic, 12, false, false, false, false, Black}));
}

void TestFont::cancelChangesNothing() {
    TestEnv env;
    env.store->WriteSetting(QStringLiteral("FontName"), QStringLiteral("DejaVu Sans"));
    env.store->WriteSetting(QStringLiteral("FontSize"), QStringLiteral("11"));
    env.store->WriteSetting(QStringLiteral("FontC"), QString::number(Red));
    MainWindow& w = env.start();
    const QString before1 = look(w.views().wrappedView);
    const QString before2 = look(w.views().unwrappedView);
    QCOMPARE(w.views().wrappedView.colourValue(), Red);

    // Whatever the user did inside, Cancel hands nothing back.
    env.com.chooseFont(nullptr);
    QVERIFY(triggerAction(&w, QStringLiteral("chooseFont")));
    QCOMPARE(look(w.views().wrappedView), before1);
    QCOMPARE(look(w.views().unwrappedView), before2);
    env.com.verifyDone();
}

void TestFont::dialogKeepsItsOwnColour() {
    TestEnv env;
    env.store->WriteSetting(QStringLiteral("FontC"), QString::number(Red));
    MainWindow& w = env.start();
    QCOMPARE(w.views().wrappedView.colourValue(), Red);
    QCOMPARE(w.views().unwrappedView.colourValue(), Red);

    // After a restart the dialog opens on black, not on the colour restored
    // into the views; OK without touching the colour makes the text black.
    std::int32_t seen = -1;
    env.com.chooseFont([&](CommonDialog& com) { seen = com.colour; });
    QVERIFY(triggerAction(&w, QStringLiteral("chooseFont")));
    QCOMPARE(seen, Black);
    QCOMPARE(w.views().wrappedView.colourValue(), Black);
    QCOMPARE(w.views().unwrappedView.colourValue(), Black);

    // A colour chosen is what the next opening shows.
    env.com.chooseFont([&](CommonDialog& com) { com.colour = Blue; });
    QVERIFY(triggerAction(&w, QStringLiteral("chooseFont")));
    env.com.chooseFont([&](CommonDialog& com) { seen = com.colour; });
    QVERIFY(triggerAction(&w, QStringLiteral("chooseFont")));
    QCOMPARE(seen, Blue);
    QCOMPARE(w.views().wrappedView.colourValue(), Blue);

    // Shut-down stores it and the next start shows it in both views.
    env.stop();
    QCOMPARE(env.store->ReadSetting(QStringLiteral("FontC")), QString::number(Blue));
    MainWindow& again = env.start();
    QCOMPARE(again.views().wrappedView.colourValue(), Blue);
    QCOMPARE(again.views().unwrappedView.colourValue(), Blue);
}

// The size chosen is the one kept, whatever the session's zoom shows: the
// dialog opens on the font chosen, the store gets it, and the next start
// shows it at 100 %.
void TestFont::fractionalSizeSurvivesARestart_data() {
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("zoom");
    QTest::newRow("10.5") << 10.5 << "10.5" << 100;
    QTest::newRow("8.25") << 8.25 << "8.25" << 100;
    QTest::newRow("whole") << 72.0 << "72" << 100;
    QTest::newRow("10.5, zoomed to 150 %") << 10.5 << "10.5" << 150;
    QTest::newRow("72, zoomed to 50 %") << 72.0 << "72" << 50;
}

void TestFont::fractionalSizeSurvivesARestart() {
    QFETCH(double, size);
    QFETCH(QString, stored);
    QFETCH(int, zoom);
    TestEnv env;
    MainWindow& w = env.start();
    while (w.views().zoom() != zoom)
        triggerAction(&w, w.views().zoom() < zoom ? QStringLiteral("zoomIn")
                                                  : QStringLiteral("zoomOut"));
    double opened = 0;
    env.com.chooseFont([size, &opened](CommonDialog& com) {
        opened = com.fontSize;
        com.fontSize = size;
    });
    QVERIFY(triggerAction(&w, QStringLiteral("chooseFont")));
    QCOMPARE(opened, 12.0);
    QCOMPARE(w.views().wrappedView.font().pointSizeF(), size * zoom / 100);
    QCOMPARE(w.views().unwrappedView.font().pointSizeF(), size * zoom / 100);
    // Zooming on opens the dialog on the size chosen all the same.
    triggerAction(&w, QStringLiteral("zoomIn"));
    env.com.chooseFont([&opened](CommonDialog& com) { opened = com.fontSize; });
    QVERIFY(triggerAction(&w, QStringLiteral("chooseFont")));
    QCOMPARE(opened, size);

    env.stop();
    QCOMPARE(env.store->ReadSetting(QStringLiteral("FontSize")), stored);
    QCOMPARE(env.store->ReadSetting(QStringLiteral("FontName")), Gothic);
    MainWindow& again = env.start();
    QCOMPARE(again.views().wrappedView.font().pointSizeF(), size);
    QCOMPARE(again.views().unwrappedView.font().pointSizeF(), size);
}

void TestFont::unusableAnswerChangesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("size");
    QTest::newRow("no name") << QString() << 14.0;
    QTest::newRow("blank name") << QStringLiteral("  ") << 14.0;
    QTest::newRow("size 0") << QStringLiteral("DejaVu Serif") << 0.0;
    QTest::newRow("negative size") << QStringLiteral("DejaVu Serif") << -4.0;
    QTest::newRow("size too large") << QStringLiteral("DejaVu Serif") << 5000.0;
}

// The views never end up with different fonts, nor with half an answer.
void TestFont::unusableAnswerChangesNothing() {
    QFETCH(QString, name);
    QFETCH(double, size);
    TestEnv env;
    MainWindow& w = env.start();
    const QString before = look(w.views().wrappedView);
    env.com.chooseFont(pick({name, size, true, true, true, true, Red}));
    QVERIFY(triggerAction(&w, QStringLiteral("chooseFont")));
    QCOMPARE(look(w.views().wrappedView), before);
    QCOMPARE(look(w.views().unwrappedView), before);
}

QTEST_MAIN(TestFont)
#include "tst_font.moc"
