// The check of typed integers and the texts of its two refusals.
#include "customize/IntegerInput.h"

#include <QTest>

class TestIntegerInput : public QObject {
    Q_OBJECT
private slots:
    void check_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("value");
        using V = IntegerInput::Verdict;
        QTest::newRow("in range") << "15" << 1 << 60 << int(V::Ok) << 15;
        QTest::newRow("lowest") << "1" << 1 << 60 << int(V::Ok) << 1;
        QTest::newRow("highest") << "60" << 1 << 60 << int(V::Ok) << 60;
        QTest::newRow("blanks around") << " \t30 " << 1 << 60 << int(V::Ok) << 30;
        QTest::newRow("plus sign") << "+7" << 3 << 20 << int(V::Ok) << 7;
        QTest::newRow("zero") << "0" << 1 << 60 << int(V::OutOfRange) << 0;
        QTest::newRow("above") << "61" << 1 << 60 << int(V::OutOfRange) << 61;
        QTest::newRow("negative") << "-5" << 1 << 60 << int(V::OutOfRange) << -5;
        QTest::newRow("robot low") << "2" << 3 << 20 << int(V::OutOfRange) << 2;
        QTest::newRow("robot high") << "21" << 3 << 20 << int(V::OutOfRange) << 21;
        QTest::newRow("letters") << "abc" << 1 << 60 << int(V::NotAnInteger) << -1;
        QTest::newRow("empty") << "" << 1 << 60 << int(V::NotAnInteger) << -1;
        QTest::newRow("sign only") << "-" << 1 << 60 << int(V::NotAnInteger) << -1;
        QTest::newRow("trailing letters") << "12s" << 1 << 60 << int(V::NotAnInteger) << -1;
        QTest::newRow("inner blank") << "1 2" << 1 << 60 << int(V::NotAnInteger) << -1;
        QTest::newRow("decimal") << "1.5" << 1 << 60 << int(V::NotAnInteger) << -1;
        QTest::newRow("too long") << "99999999999" << 1 << 60 << int(V::NotAnInteger) << -1;
        QTest::newRow("int max") << "2147483647" << 1 << 60 << int(V::OutOfRange) << 2147483647;
        QTest::newRow("int min") << "-2147483648" << 1 << 60 << int(V::OutOfRange) << int(-2147483648LL);
        QTest::newRow("beyond int max") << "2147483648" << 1 << 60 << int(V::NotAnInteger) << -1;
        QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0663") << 1 << 60 << int(V::NotAnInteger) << -1;
    }

    void check() {
        QFETCH(QString, text);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, verdict);
        QFETCH(int, value);
        int got = -1;
        QCOMPARE(int(IntegerInput::check(text, min, max, &got)), verdict);
        QCOMPARE(got, value);
    }

    void texts() {
        QCOMPARE(IntegerInput::notAnIntegerText(), QStringLiteral("Please enter an integer."));
        QCOMPARE(IntegerInput::outOfRangeText(1, 60), QStringLiteral("Please enter an integer between 1 and 60."));
        QCOMPARE(IntegerInput::messageFor(IntegerInput::Verdict::OutOfRange, 3, 20),
                 QStringLiteral("Please enter an integer between 3 and 20."));
        QCOMPARE(IntegerInput::messageFor(IntegerInput::Verdict::NotAnInteger, 3, 20),
                 QStringLiteral("Please enter an integer."));
    }
};

QTEST_GUILESS_MAIN(TestIntegerInput)
#include "tst_integerinput.moc"
