#include "store/values.h"

#include <QTest>

class TestValues : public QObject {
    Q_OBJECT
private slots:
    void number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("integer") << "3" << 3.0;
        QTest::newRow("fraction") << "10.5" << 10.5;
        QTest::newRow("negative") << "-60" << -60.0;
        QTest::newRow("leading blanks") << "   42" << 42.0;
        QTest::newRow("trailing text") << "3abc" << 3.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("text") << "abc" << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("point only") << "." << 0.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("bare exponent letter") << "2e" << 2.0;
        QTest::newRow("colour value") << "-2147483640" << -2147483640.0;
        QTest::newRow("True is no number") << "True" << 0.0;
        QTest::newRow("huge") << "1e999" << 0.0;
    }
    void number() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(values::number(text), expected);
    }

    void integer_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("half to even, down") << "2.5" << 2;
        QTest::newRow("half to even, up") << "3.5" << 4;
        QTest::newRow("negative half") << "-2.5" << -2;
        QTest::newRow("below half") << "2.49" << 2;
        QTest::newRow("above half") << "2.51" << 3;
        QTest::newRow("clamped high") << "99999999999" << 2147483647;
        QTest::newRow("clamped low") << "-99999999999" << int(-2147483647 - 1);
        QTest::newRow("system colour 8") << "-2147483640" << int(0x80000008u);
    }
    void integer() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(values::integer(text), expected);
    }

    void flag_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("False") << "False" << false;
        QTest::newRow("-1") << "-1" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("any number") << "7" << true;
        QTest::newRow("fraction") << "0.5" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("garbage") << "abc" << false;
        QTest::newRow("lower case") << "true" << true;
    }
    void flag() {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(values::flag(text), expected);
    }

    void flagText() {
        QCOMPARE(values::flagText(true), QStringLiteral("True"));
        QCOMPARE(values::flagText(false), QStringLiteral("False"));
    }

    void numberText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("integer") << 12.0 << "12";
        QTest::newRow("half") << 10.5 << "10.5";
        QTest::newRow("four decimals") << 1.23456 << "1.2346";
        QTest::newRow("negative") << -60.0 << "-60";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.00001 << "0";
        QTest::newRow("large") << 11475.0 << "11475";
    }
    void numberText() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(values::numberText(value), expected);
        // What is written reads back as the same number (to four decimals).
        QVERIFY(qAbs(values::number(values::numberText(value)) - value) < 0.00006);
    }

    void colours() {
        QCOMPARE(values::windowTextColour, -2147483640);
        QVERIFY(values::isSystemColour(values::windowTextColour));
        QCOMPARE(values::rgbValue(255, 0, 0), 0x0000FF);
        QCOMPARE(values::rgbValue(0, 0, 255), 0xFF0000);
        QVERIFY(!values::isSystemColour(values::rgbValue(255, 255, 255)));
    }
};

QTEST_GUILESS_MAIN(TestValues)
#include "tst_values.moc"
