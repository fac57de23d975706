// The label declarations: the formatted text as printed, and the structured text read back whole,
// also from hostile or damaged input.
#include "samples/SampleLabel_Unt.h"

#include "base/VarnexError.h"

#include <QTest>

class TestSampleLabel : public QObject
{
    Q_OBJECT

private slots:
    void formattedText_data();
    void formattedText();
    void xmlRoundTripKeepsEveryProperty();
    void xmlDropsWhatXmlCannotHold();
    void unreadableXmlIsRefused_data();
    void unreadableXmlIsRefused();
};

void TestSampleLabel::formattedText_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("expected");
    const QString b4(4, ' '), b12(12, ' ');
    QTest::newRow("nothing declared") << 0 << QString();
    QTest::newRow("meat content") << 1
                                  << "Meat content:            \r\n" + b4 + "Declared:     Yes\r\n" + b4 +
                                         "Declaration:  \r\n" + b12 + "25%\r\n";
    QTest::newRow("vegetarian: two lines") << 2
                                           << "Suitable for vegetarians:\r\n" + b4 +
                                                  "Declared:     Suitable for vegans\r\n";
    QTest::newRow("two-line allergens, title cut to 25") << 3
                                                         << "Alergen notice:          \r\n" + b4 + "Declared:     Yes\r\n" +
                                                                b4 + "Declaration:  \r\n" + b12 + "Eggs\r\n" + b12 +
                                                                "Milk\r\n" + "Not suitable for vegatari\r\n" + b4 +
                                                                "Declared:     Contains meat\r\n";
    QTest::newRow("declared, no declaration") << 4 << "Added water:             \r\n" + b4 + "Declared:     N/A\r\n";
}

void TestSampleLabel::formattedText()
{
    QFETCH(int, which);
    QFETCH(QString, expected);
    TFoodLabel label;
    label.ExpiryDate = QDateTime(QDate(2030, 1, 2), QTime(0, 0));
    if (which == 1) {
        label.MeatContentDeclared = "Yes";
        label.MeatContentDecaration = "25%";
    } else if (which == 2) {
        label.SuitableForVegetarians = "Suitable for vegans";
    } else if (which == 3) {
        label.AlergenNoticeDeclared = "Yes";
        label.AlergenNoticeDeclaration = "Eggs\r\nMilk";
        label.NotSuitableForVegetarians = "Contains meat";
    } else if (which == 4) {
        label.AddedWaterDeclared = "N/A";
    }
    QCOMPARE(label.AsFormattedText(), expected);
}

namespace {

TFoodLabel fullLabel()
{
    TFoodLabel l;
    l.MeatContentDeclared = "Yes";
    l.MeatContentDecaration = "25% <pork> & \"beef\"";
    l.PresevativesDeclared = "No";
    l.PreservativesDeclaration = "E250";
    l.OtheradditivesDeclared = "Yes";
    l.OtherAdditivesDeclaration = "Colour\r\nMSG";
    l.AddedWaterDeclared = "N/A";
    l.AddedWaterDeclaration = "  leading and trailing blanks  ";
    l.AlergenNoticeDeclared = "Yes";
    l.AlergenNoticeDeclaration = "Eggs\r\n\r\nMilk ✓ 🥚";
    l.SuitableForVegetarians = "Not suitable for vegans";
    l.NotSuitableForVegetarians = "Contains gelatine";
    l.OtherDeclarationsDeclared = "Yes";
    l.OtherDeclarations = "Previously frozen]]> </FoodLabel>";
    l.ExpiryDate = QDateTime(QDate(2031, 12, 31), QTime(23, 59, 58, 7));
    return l;
}

} // namespace

void TestSampleLabel::xmlRoundTripKeepsEveryProperty()
{
    const TFoodLabel saved = fullLabel();
    TFoodLabel read;
    read.SetAsXML(saved.AsXML());
    QVERIFY(read == saved);
    QCOMPARE(read.AsFormattedText(), saved.AsFormattedText());

    // A label without expiry date and with empty texts comes back so, not with old values.
    TFoodLabel empty;
    read.SetAsXML(empty.AsXML());
    QVERIFY(read == empty);
    QVERIFY(!read.ExpiryDate.isValid());

    // Elements of a later version of the same layout are passed over.
    read.SetAsXML("<FoodLabel version=\"1\"><Future><Nested>x</Nested></Future>"
                  "<MeatContentDeclared>No</MeatContentDeclared></FoodLabel>");
    QCOMPARE(read.MeatContentDeclared, QString("No"));
}

void TestSampleLabel::xmlDropsWhatXmlCannotHold()
{
    TFoodLabel label;
    label.OtherDeclarations = QString("bell\x07 nul") + QChar(0) + "end" + QChar(0xFFFF) + QChar(0xD800) + "x";
    const QString xml = label.AsXML();
    TFoodLabel read;
    read.SetAsXML(xml);
    QCOMPARE(read.OtherDeclarations, QString("bell nulendx"));
}

void TestSampleLabel::unreadableXmlIsRefused_data()
{
    QTest::addColumn<QString>("xml");
    QTest::newRow("not xml") << "Meat content: Yes";
    QTest::newRow("cut short") << "<FoodLabel version=\"1\"><MeatContentDeclared>Yes";
    QTest::newRow("another root") << "<Label version=\"1\"/>";
    QTest::newRow("newer version") << "<FoodLabel version=\"2\"/>";
    QTest::newRow("no version") << "<FoodLabel/>";
    QTest::newRow("bad date") << "<FoodLabel version=\"1\"><ExpiryDate>tomorrow</ExpiryDate></FoodLabel>";
    QTest::newRow("undeclared entity") << "<FoodLabel version=\"1\"><OtherDeclarations>&xxe;</OtherDeclarations></FoodLabel>";
    QTest::newRow("external entity") << "<!DOCTYPE FoodLabel [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]>"
                                        "<FoodLabel version=\"1\"><OtherDeclarations>&xxe;</OtherDeclarations></FoodLabel>";
}

void TestSampleLabel::unreadableXmlIsRefused()
{
    QFETCH(QString, xml);
    TFoodLabel label = fullLabel();
    try {
        label.SetAsXML(xml);
        QFAIL("accepted");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().startsWith("The label details cannot be read"), qPrintable(e.message()));
    }
    QVERIFY(label == fullLabel());
}

QTEST_MAIN(TestSampleLabel)
#include "tst_samplelabel.moc"
