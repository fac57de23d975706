#include "reference/CategoryTree.h"

#include "CategoryTreeFixture.h"
#include "reference/LookupData_DM.h"

#include <QTest>

Q_DECLARE_METATYPE(CategoryPath)

namespace {
// A path from its values in field order: the four levels' codes and descriptions, the ministry code.
CategoryPath path(std::initializer_list<const char *> values)
{
    CategoryPath p;
    QString *fields[] = {&p.Category,     &p.CategoryDescription,     &p.SubCategory,  &p.SubCategoryDescription,
                         &p.SubCategory2, &p.SubCategory2Description, &p.SubCategory3, &p.SubCategory3Description,
                         &p.MaffCode};
    int i = 0;
    for (const char *v : values)
        *fields[i++] = QString::fromUtf8(v);
    return p;
}
} // namespace

class TestCategoryTree : public QObject
{
    Q_OBJECT

private slots:
    void pathOfAnEntry_data();
    void pathOfAnEntry();
    void everyEntryHasAPlaceInAView();
    void search_data();
    void search();
    void normalisedCode_data();
    void normalisedCode();
    void resolverFindsOnlyTheCodeAsked();
};

void TestCategoryTree::pathOfAnEntry_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<CategoryPath>("path");
    QTest::addColumn<QString>("refusal"); // a part of the message, empty when the path is given

    QTest::newRow("sub-category 3: four levels and the ministry code")
        << "01.01.01.01"
        << path({"01", "Dairy products", "01.01", "Milk and cream", "01.01.01", "Liquid milk", "01.01.01.01",
                 "Semi-skimmed milk", "M0101"})
        << QString();
    QTest::newRow("top level: the category alone") << "02" << path({"02", "Meat"}) << QString();
    QTest::newRow("sub-category without a ministry row")
        << "02.01.01" << path({"02", "Meat", "02.01", "Fresh meat", "02.01.01", "Beef"}) << QString();
    QTest::newRow("retired in lower case can be chosen")
        << "01.01.01.04"
        << path({"01", "Dairy products", "01.01", "Milk and cream", "01.01.01", "Liquid milk", "01.01.01.04",
                 "Goat milk (retired 2019 code)", "M0101"})
        << QString();
    QTest::newRow("retired") << "01.01.01.03" << CategoryPath() << CategoryTree::RetiredMessage();
    QTest::newRow("test entry") << "99.01" << CategoryPath() << CategoryTree::TestEntryMessage();
    QTest::newRow("parents in a circle") << "90.01.01.01" << CategoryPath() << QString("lead round in a circle");
    QTest::newRow("parent missing") << "91.01.01" << CategoryPath() << QString("has no parent entry 77");
    QTest::newRow("nothing chosen") << "no such code" << CategoryPath() << CategoryTree::NoSelectionMessage();
}

void TestCategoryTree::pathOfAnEntry()
{
    QFETCH(QString, code);
    QFETCH(CategoryPath, path);
    QFETCH(QString, refusal);
    const CategoryTree tree(CategoryFixture::tree(), CategoryFixture::maff());
    try {
        const CategoryPath got = tree.PathOf(tree.rowOfCode(code));
        QVERIFY2(refusal.isEmpty(), "the entry was returned");
        QCOMPARE(got, path);
    } catch (const CategoryTreeError &e) {
        QVERIFY2(!refusal.isEmpty() && e.message().contains(refusal), qPrintable(e.message()));
    }
}

// A view places every entry once, also those of a circle and those whose parent is gone.
void TestCategoryTree::everyEntryHasAPlaceInAView()
{
    const CategoryTree tree(CategoryFixture::tree(), CategoryFixture::maff());
    const auto placedUnder = [&](const char *code) {
        const int parent = tree.displayParentRow(tree.rowOfCode(code));
        return parent < 0 ? QString() : tree.itemCode(parent);
    };
    QCOMPARE(placedUnder("01.01.01.01"), QString("01.01.01"));
    QCOMPARE(placedUnder("01"), QString());
    QCOMPARE(placedUnder("90.01"), QString());
    QCOMPARE(placedUnder("90.01.01"), QString());
    QCOMPARE(placedUnder("90.01.01.01"), QString("90.01.01"));
    QCOMPARE(placedUnder("91.01.01"), QString());
}

void TestCategoryTree::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("every level-2 entry") << "(l2)" << QStringList{"01.01", "02.01", "09.01", "90.01"};
    QTest::newRow("letter case ignored, every level") << "MILK"
                                                      << QStringList{"01.01", "01.01.01", "01.01.01.02", "01.01.01.01",
                                                                     "01.01.01.03", "01.01.01.04"};
    QTest::newRow("a source of its own is its prefix") << "TESTTest" << QStringList{"99", "99.01"};
    QTest::newRow("empty text lists nothing") << "" << QStringList{};
}

void TestCategoryTree::search()
{
    QFETCH(QString, text);
    QFETCH(QStringList, codes);
    const CategoryTree tree(CategoryFixture::tree(), CategoryFixture::maff());
    const QStringList entries = tree.SearchEntries();
    QCOMPARE(entries.first(), QString("(L1) Dairy products"));
    QStringList found;
    for (int i : CategoryTree::Search(entries, text))
        found << tree.itemCode(i);
    QCOMPARE(found, codes);
}

void TestCategoryTree::normalisedCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("9.01") << "9.01" << "09.01";
    QTest::newRow("1.01.02") << "1.01.02" << "01.01.02";
    QTest::newRow("already two digits") << "09.01" << "09.01";
    QTest::newRow("two characters") << "9." << "9.";
    QTest::newRow("empty") << "" << "";
}

void TestCategoryTree::normalisedCode()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QCOMPARE(CategoryTree::NormalisedCode(code), expected);
}

// The import's resolution: the personality's tree, the picker's reading of the code, and nothing
// (never the first entry) for a code the tree does not hold.
void TestCategoryTree::resolverFindsOnlyTheCodeAsked()
{
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    CategoryFixture::addList(db, "mdCategoryTree", CategoryFixture::tree(), 1);
    CategoryFixture::addList(db, "mdMAFF", CategoryFixture::maff(), 2);
    const QSqlDatabase connection = db.db();
    TLookupDataDm lookups([connection] { return connection; }, [] { return QString(); });
    QVERIFY(lookups.RefreshDatasetsFromDatabase().isEmpty());

    const std::optional<CategoryPath> fish = ResolveCategoryCode(lookups, "FOOD", "9.01");
    QVERIFY(fish);
    QCOMPARE(fish->SubCategory, QString("09.01"));
    QCOMPARE(fish->MaffCode, QString("M0901"));
    QVERIFY(!ResolveCategoryCode(lookups, "FOOD", "77.77"));
    QVERIFY(!ResolveCategoryCode(lookups, "FOOD", ""));
    // The feed tree is empty here: the food code is not found in it.
    QVERIFY(!ResolveCategoryCode(lookups, "ANIMAL FEED", "01.01.01.01"));
    QVERIFY_THROWS_EXCEPTION(CategoryTreeError, ResolveCategoryCode(lookups, "FOOD", "01.01.01.03"));
}

QTEST_GUILESS_MAIN(TestCategoryTree)
#include "tst_categorytree.moc"
