// The category tree picker offscreen: which tree an opener gets, the viewer and the picker, the
// search, the keys, and the two pictures it cannot be made without.
#include "reference/ui/CategoryTree_FRM.h"

#include "../CategoryTreeFixture.h"
#include "base/Prompter.h"
#include "gui/ZQCXEditControls.h"
#include "reference/LookupData_DM.h"

#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>

namespace {

// Stand-ins for the openers the picker tells apart by their class.
class TSampleEditFrm : public TBasefrm
{
    Q_OBJECT
public:
    using TBasefrm::TBasefrm;
};
class TSampleTemplateEditFrm : public TBasefrm
{
    Q_OBJECT
public:
    using TBasefrm::TBasefrm;
};
class OtherFrm : public TBasefrm
{
    Q_OBJECT
public:
    using TBasefrm::TBasefrm;
};

DataTable feedTree()
{
    DataTable t = CategoryFixture::tree();
    t.removeRows();
    t.appendRow({QString(), QStringLiteral("F1"), QStringLiteral("Compound feeds"), QStringLiteral("CATEGORY"), 100, -1,
                 QStringLiteral("LIVE")});
    return t;
}

std::unique_ptr<TCategoryTreeFrmDefaults> defaults(const QString &personality = {}, bool useSelected = false,
                                                   const QString &selected = {})
{
    auto d = std::make_unique<TCategoryTreeFrmDefaults>();
    d->Personality = personality;
    d->AllowUseSelected = useSelected;
    d->SelectedRecord = selected;
    return d;
}

// Runs the check on the modal form of the key once its loop runs.
template <class Check>
void whileShown(QObject *owner, Check check)
{
    QTimer::singleShot(0, [owner, check]() {
        auto *form = qobject_cast<TCategoryTreeFrm *>(TBasefrm::FindForm(owner, QStringLiteral("CategoryTree")));
        QVERIFY(form && form->isVisible());
        check(form);
    });
}

} // namespace

class TestCategoryTreeFrm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void openerDecidesTheTree_data();
    void openerDecidesTheTree();
    void viewerClosesOnEnterWithoutAnswer();
    void pickerRefusesRetiredAndHandsBackThePath();
    void answerWithoutOwnerStaysInTheFormsSocket();
    void treeSortedWithEveryEntryOnce();
    void searchAndKeys();
    void missingPictureRefusesTheForm_data();
    void missingPictureRefusesTheForm();

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TLookupDataDm> m_lookups;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
};

void TestCategoryTreeFrm::initTestCase()
{
    TCategoryTreeFrm::PictureFolder = QStringLiteral(VARNEX_BIN_DIR);
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    CategoryFixture::addList(*m_db, "mdCategoryTree", CategoryFixture::tree(), 1);
    CategoryFixture::addList(*m_db, "mdFeedCategoryTree", feedTree(), 2);
    CategoryFixture::addList(*m_db, "mdMAFF", CategoryFixture::maff(), 3);
    const QSqlDatabase connection = m_db->db();
    m_lookups = std::make_unique<TLookupDataDm>([connection] { return connection; }, [] { return QString(); });
    QVERIFY(m_lookups->RefreshDatasetsFromDatabase().isEmpty());
    LookupDataDm = m_lookups.get();
}

void TestCategoryTreeFrm::cleanupTestCase()
{
    m_lookups.reset();
    m_db.reset();
}

void TestCategoryTreeFrm::init()
{
    m_prompter.clear();
    m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestCategoryTreeFrm::cleanup()
{
    m_scope.reset();
}

void TestCategoryTreeFrm::openerDecidesTheTree_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("personality");
    QTest::addColumn<QString>("table");
    QTest::newRow("main window, no personality") << "other" << "" << "mdFeedCategoryTree";
    QTest::newRow("food personality") << "other" << "FOOD" << "mdCategoryTree";
    QTest::newRow("feed personality") << "other" << "ANIMAL FEED" << "mdFeedCategoryTree";
    QTest::newRow("food sample editor") << "sample" << "" << "mdCategoryTree";
    QTest::newRow("food template editor") << "template" << "ANIMAL FEED" << "mdCategoryTree";
}

void TestCategoryTreeFrm::openerDecidesTheTree()
{
    QFETCH(QString, opener);
    QFETCH(QString, personality);
    QFETCH(QString, table);
    std::unique_ptr<TBasefrm> owner;
    if (opener == "sample")
        owner = std::make_unique<TSampleEditFrm>(nullptr);
    else if (opener == "template")
        owner = std::make_unique<TSampleTemplateEditFrm>(nullptr);
    else
        owner = std::make_unique<OtherFrm>(nullptr);
    TCategoryTreeFrm *form = TBasefrm::Create<TCategoryTreeFrm>(owner.get());
    form->InitialiseDefaults(defaults(personality));
    QCOMPARE(form->TreeTable(), table);
    // The help belongs to the food tree.
    QCOMPARE(form->HelpShown(), table == "mdCategoryTree");
}

void TestCategoryTreeFrm::viewerClosesOnEnterWithoutAnswer()
{
    OtherFrm owner(nullptr);
    auto d = defaults();
    d->AllowEdits = true;
    bool checked = false;
    whileShown(&owner, [&checked](TCategoryTreeFrm *form) {
        QVERIFY(!form->actUseSelected->isEnabled());
        QVERIFY(form->actDelete->isEnabled());
        QCOMPARE(form->windowTitle(), QString("Category tree"));
        QCOMPARE(form->CurrentItemCode(), QString("F1"));
        QTest::keyClick(form->edtSearchBox, Qt::Key_Return);
        checked = true;
    });
    QVERIFY(!TBasefrm::CreateAndShow<TCategoryTreeFrm>("CategoryTree", &owner, true, std::move(d)));
    QVERIFY(checked);
    QVERIFY(!owner.ReturnInfoSocket());
    QVERIFY(!TBasefrm::FindForm(&owner, "CategoryTree"));
    QVERIFY(m_prompter.calls().isEmpty());
}

void TestCategoryTreeFrm::pickerRefusesRetiredAndHandsBackThePath()
{
    TSampleEditFrm owner(nullptr);
    bool checked = false;
    whileShown(&owner, [&](TCategoryTreeFrm *form) {
        // "1.01.01.03" is read as "01.01.01.03": a retired entry, which Enter cannot return.
        QCOMPARE(form->CurrentItemCode(), QString("01.01.01.03"));
        QCOMPARE(form->memCategoryHelp->toPlainText(), LookupDataDm->HelpForCategory("01.01.01.03"));
        QTest::keyClick(form->treCategories, Qt::Key_Return);
        QCOMPARE(m_prompter.texts(Prompter::Kind::Error), QStringList{CategoryTree::RetiredMessage()});
        QVERIFY(form->isVisible());
        QVERIFY(!owner.ReturnInfoSocket());
        QVERIFY(form->MakeCurrent("01.01.01.01"));
        QTest::keyClick(form->treCategories, Qt::Key_Enter);
        checked = true;
    });
    QVERIFY(!TBasefrm::CreateAndShow<TCategoryTreeFrm>("CategoryTree", &owner, true, defaults({}, true, "1.01.01.03")));
    QVERIFY(checked);
    const std::unique_ptr<TCategoryTreeFrmReturnInfo> answer = TakeReturnInfo<TCategoryTreeFrmReturnInfo>(owner);
    QVERIFY(answer);
    QCOMPARE(answer->SubCategory3, QString("01.01.01.01"));
    QCOMPARE(answer->SubCategory2Description, QString("Liquid milk"));
    QCOMPARE(answer->Category, QString("01"));
    QCOMPARE(answer->MaffCode, QString("M0101"));
    QCOMPARE(m_prompter.calls().size(), 1);
}

// Opened by code without an owner and never shown, the picker keeps its answer for the caller.
void TestCategoryTreeFrm::answerWithoutOwnerStaysInTheFormsSocket()
{
    std::unique_ptr<TCategoryTreeFrm> form(TBasefrm::Create<TCategoryTreeFrm>(nullptr));
    form->InitialiseDefaults(defaults("FOOD", false, "9.01"));
    form->actUseSelectedExecute();
    const std::unique_ptr<TCategoryTreeFrmReturnInfo> answer = TakeReturnInfo<TCategoryTreeFrmReturnInfo>(*form);
    QVERIFY(answer);
    QCOMPARE(answer->SubCategory, QString("09.01"));
    QCOMPARE(answer->MaffCode, QString("M0901"));
    QVERIFY(!form->ReturnInfoSocket());
}

void TestCategoryTreeFrm::treeSortedWithEveryEntryOnce()
{
    std::unique_ptr<TCategoryTreeFrm> form(TBasefrm::Create<TCategoryTreeFrm>(nullptr));
    form->InitialiseDefaults(defaults("FOOD"));
    const QAbstractItemModel *model = form->treCategories->model();
    QStringList shown;
    std::function<void(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex index = model->index(r, 0, parent);
            shown << index.data().toString();
            walk(index);
        }
    };
    walk({});
    QCOMPARE(shown.size(), CategoryFixture::tree().rowCount());
    // Top level and one family of siblings, letter case ignored.
    QStringList top;
    for (int r = 0; r < model->rowCount(); ++r)
        top << model->index(r, 0).data().toString();
    QCOMPARE(top, (QStringList{"Dairy products", "Fish", "Loop one", "Loop two", "Meat", "Parent gone", "Test categories"}));
    QVERIFY(form->MakeCurrent("01.01.01.01"));
    const QModelIndex milk = form->treCategories->currentIndex().parent();
    QStringList siblings;
    for (int r = 0; r < model->rowCount(milk); ++r)
        siblings << model->index(r, 0, milk).data().toString();
    QCOMPARE(siblings, (QStringList{"buttermilk", "Goat milk (retired 2019 code)", "Retired: skimmed milk", "Semi-skimmed milk"}));
}

void TestCategoryTreeFrm::searchAndKeys()
{
    std::unique_ptr<TCategoryTreeFrm> form(TBasefrm::Create<TCategoryTreeFrm>(nullptr));
    form->InitialiseDefaults(defaults("FOOD"));
    QTest::keyClicks(form->edtSearchBox, "(l2)");
    QListWidget *results = form->lstSearchResults;
    QCOMPARE(results->count(), 4);
    QCOMPARE(results->item(2)->text(), QString("(L2) Fresh fish"));
    results->setCurrentRow(2);
    emit results->itemClicked(results->item(2));
    QCOMPARE(form->CurrentItemCode(), QString("09.01"));
    QCOMPARE(form->memCategoryHelp->toPlainText(), QString("No help for this category."));
    form->edtSearchBox->clear();
    QCOMPARE(results->count(), 0);

    QTreeView *tree = form->treCategories;
    QVERIFY(form->MakeCurrent("01"));
    QVERIFY(!tree->isExpanded(tree->currentIndex()));
    QTest::keyClick(tree, Qt::Key_Right);
    QVERIFY(tree->isExpanded(tree->currentIndex()));
    QCOMPARE(form->CurrentItemCode(), QString("01"));
    QTest::keyClick(tree, Qt::Key_Left);
    QVERIFY(!tree->isExpanded(tree->currentIndex()));
    form->actExpandTree->trigger();
    QVERIFY(tree->isExpanded(tree->currentIndex()));
    form->actCollapseTree->trigger();
    QVERIFY(!tree->isExpanded(tree->currentIndex()));
}

void TestCategoryTreeFrm::missingPictureRefusesTheForm_data()
{
    QTest::addColumn<QString>("missing");
    QTest::newRow("tool bar") << TCategoryTreeFrm::ToolbarPictureName();
    QTest::newRow("tree images") << TCategoryTreeFrm::NodePictureName();
}

void TestCategoryTreeFrm::missingPictureRefusesTheForm()
{
    QFETCH(QString, missing);
    QTemporaryDir folder;
    for (const QString &name : {TCategoryTreeFrm::ToolbarPictureName(), TCategoryTreeFrm::NodePictureName()})
        if (name != missing)
            QVERIFY(QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/") + name, folder.filePath(name)));
    TCategoryTreeFrm::PictureFolder = folder.path();
    const auto restore = qScopeGuard([] { TCategoryTreeFrm::PictureFolder = QStringLiteral(VARNEX_BIN_DIR); });
    OtherFrm owner(nullptr);
    try {
        TBasefrm::CreateAndShow<TCategoryTreeFrm>("CategoryTree", &owner, true, defaults());
        QFAIL("the form was made without its picture");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().startsWith("Cannot open file") && e.message().contains(missing), qPrintable(e.message()));
    }
    QVERIFY(owner.findChildren<TCategoryTreeFrm *>().isEmpty());
}

QTEST_MAIN(TestCategoryTreeFrm)
#include "tst_categorytreefrm.moc"
