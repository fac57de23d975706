// The text work of the analysis builders: spacing of an insertion, the feed tree's expanded
// descriptions (also over a damaged tree), and the analysis lines as nodes are ticked.
#include "samples/AnalysisText.h"

#include <QTest>

class TestAnalysisText : public QObject
{
    Q_OBJECT

private slots:
    void insertionSpacing_data();
    void insertionSpacing();
    void expandedDescriptions();
    void storedLinesTickTheirNodes();
    void tickingKeepsOtherLinesAndSorts();
    void search();
};

void TestAnalysisText::insertionSpacing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");

    QTest::newRow("at the end: bare") << "Lead," << 5 << 5 << "Tin, Zinc" << "Lead,Tin, Zinc" << 14;
    QTest::newRow("empty memo") << "" << 0 << 0 << "Tin" << "Tin" << 3;
    QTest::newRow("before a word: blanks both sides") << "Lead" << 0 << 0 << "Tin" << " Tin Lead" << 5;
    QTest::newRow("before a blank: none before") << "A B" << 1 << 1 << "Tin" << "ATin  B" << 5;
    QTest::newRow("second after is a blank: none after") << "AB C" << 1 << 1 << "Tin" << "A TinB C" << 5;
    QTest::newRow("one character left") << "AB" << 1 << 1 << "Tin" << "A Tin B" << 6;
    QTest::newRow("selection replaced") << "A xx B" << 2 << 4 << "Tin" << "A Tin  B" << 6;
    QTest::newRow("selection to the end") << "A xx" << 2 << 4 << "Tin" << "A Tin" << 5;
    QTest::newRow("nothing checked: only the spacing") << "AB" << 1 << 1 << "" << "A  B" << 3;
}

void TestAnalysisText::insertionSpacing()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, names);
    QFETCH(QString, expected);
    QFETCH(int, caret);
    int at = -1;
    QCOMPARE(AnalysisText::InsertChecked(text, start, end, names, &at), expected);
    QCOMPARE(at, caret);
}

namespace {

// Minerals (1) > Lead (2) > Total (3); Vitamins (4); an orphan (5, parent 99); a cycle 6 <-> 7.
FeedAnalysisSelection sampleTree()
{
    return FeedAnalysisSelection(QList<FeedAnalysisSelection::Node>{
        {1, -1, "Minerals", {}},
        {2, 1, "Lead", {}},
        {3, 2, "Total", {}},
        {4, -1, "Vitamins", {}},
        {5, 99, "Orphan", {}},
        {6, 7, "Ring A", {}},
        {7, 6, "Ring B", {}},
        {8, 8, "Self", {}},
    });
}

} // namespace

void TestAnalysisText::expandedDescriptions()
{
    const FeedAnalysisSelection tree = sampleTree();
    const QStringList expected = {"Minerals;", "Minerals: Lead;", "Minerals: Lead: Total;", "Vitamins;", "Orphan;",
                                  "Ring B: Ring A;", "Ring A: Ring B;", "Self;"};
    QStringList got;
    for (const auto &n : tree.Nodes())
        got << n.Expanded;
    QCOMPARE(got, expected);

    // From the lookup table's columns as well.
    DataTable table({{"UNIQUE_ID", FieldType::Int64, 0}, {"PARENT_ID", FieldType::Int64, 0},
                     {"DESCRIPTION", FieldType::String, 100}});
    QVERIFY(table.appendRow({1, -1, "Minerals"}));
    QVERIFY(table.appendRow({2, 1, "Lead"}));
    const FeedAnalysisSelection fromTable(table);
    QCOMPARE(fromTable.Nodes().at(1).Expanded, QString("Minerals: Lead;"));
}

void TestAnalysisText::storedLinesTickTheirNodes()
{
    FeedAnalysisSelection tree = sampleTree();
    tree.SetText("Minerals: Lead;\r\nminerals: lead: total;\nMinerals:  Lead: Total;\r\nFree text line\r\n");
    QVERIFY(tree.IsSelected(1));
    QVERIFY(tree.IsSelected(2)); // letter case ignored
    QVERIFY(!tree.IsSelected(0));
    QVERIFY(!tree.IsSelected(3));
    // Returned unchanged, each line ended by CR LF.
    QCOMPARE(tree.Text(), QString("Minerals: Lead;\r\nminerals: lead: total;\r\nMinerals:  Lead: Total;\r\nFree text line\r\n"));
}

void TestAnalysisText::tickingKeepsOtherLinesAndSorts()
{
    FeedAnalysisSelection tree = sampleTree();
    tree.SetText("Zinc by hand\nMinerals: Lead;");
    tree.SetSelected(3, true);
    QCOMPARE(tree.Lines(), QStringList({"Minerals: Lead;", "Vitamins;", "Zinc by hand"}));
    tree.SetSelected(3, false);
    tree.SetSelected(1, true); // already there: not twice
    QCOMPARE(tree.Lines(), QStringList({"Minerals: Lead;", "Zinc by hand"}));
    tree.SetSelected(1, false);
    QCOMPARE(tree.Lines(), QStringList({"Zinc by hand"}));
}

void TestAnalysisText::search()
{
    const FeedAnalysisSelection tree = sampleTree();
    QCOMPARE(tree.Search("LEAD"), QList<int>({1, 2}));
    QCOMPARE(tree.Search(""), QList<int>());
    QCOMPARE(tree.IndexOfExpanded("Minerals: Lead;"), 1);
    QCOMPARE(tree.IndexOfExpanded("minerals: lead;"), -1);
}

QTEST_MAIN(TestAnalysisText)
#include "tst_analysistext.moc"
