// The lookup lists in the program's run: the module made after login on the main connection, and
// the main window's "Export Lookup data" and "Category Tree".
#include "app/LookupActions.h"

#include "MainWindowFakes.h"
#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "data/MemDataStream.h"
#include "reference/LookupData_DM.h"
#include "reference/ui/CategoryTree_FRM.h"
#include "store/LocalDatabase.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

DataTable materials()
{
    DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}});
    t.appendRow({QStringLiteral("GL"), QStringLiteral("Glass")});
    return t;
}

} // namespace

class TestLookupActions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void moduleOfTheRunNamesDamagedListsOnce();
    void exportAsksFirst();
    void categoryTreeOpensAsAViewer();

private:
    void addList(const QString &name, const QByteArray &content);

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TMaindm> m_maindm;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
    qint64 m_nextId = 1;
};

void TestLookupActions::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    // The store as the program's main connection, which the central data module closes at its end.
    QVERIFY(openLocalDatabase(m_db->path(), QLatin1String(TMaindm::ConnectionName)).isOpen());
    m_maindm = std::make_unique<TMaindm>();
    m_prompter.clear();
    m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestLookupActions::cleanup()
{
    m_scope.reset();
    m_maindm.reset();
    m_db.reset();
}

void TestLookupActions::addList(const QString &name, const QByteArray &content)
{
    m_db->exec(QStringLiteral("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
                              "VALUES (?, ?, 'T', ?, ?)"),
               {m_nextId, m_nextId, name, content});
    ++m_nextId;
}

void TestLookupActions::moduleOfTheRunNamesDamagedListsOnce()
{
    addList("mdMaterialType", MemDataStream::write(materials()));
    addList("mdCondition", QByteArrayLiteral("Ver broken"));
    addList("mdDurability", MemDataStream::write(materials()).chopped(2));
    {
        LookupDataModule module(*m_maindm);
        QCOMPARE(LookupDataDm, &module.module());
        QVERIFY(LookupDataDm->CheckCodeExists("GL", "mdMaterialType"));
        const QStringList errors = m_prompter.texts(Prompter::Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains("mdCondition") && errors.first().contains("mdDurability"));
        // A pass that brings rows meanwhile changes nothing until the next login.
        addList("mdReasonTaken", MemDataStream::write(materials()));
        QVERIFY(!LookupDataDm->CheckCodeExists("GL", "mdReasonTaken"));
    }
    QVERIFY(!LookupDataDm);
}

void TestLookupActions::exportAsksFirst()
{
    addList("mdMaterialType", MemDataStream::write(materials()));
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir("vrxlookups"));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    const auto back = qScopeGuard([previous] { QDir::setCurrent(previous); });
    FakeContext context;
    TMainfrm window(nullptr, &context);
    InstallLookupActions(window, *m_maindm);
    window.ApplyPersonality();
    QVERIFY(!window.actSaveLookupdatetoFile->isVisible());
    // Never on view, but its shortcut works.
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    m_prompter.queueAnswer(false); // Cancel
    QTest::keyClick(&window, Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Question), QStringList{"Save Lookup Data to file"});
    QVERIFY(QDir(folder.filePath("vrxlookups")).isEmpty());

    m_prompter.queueAnswer(true); // OK
    window.actSaveLookupdatetoFile->trigger();
    QCOMPARE(QDir(folder.filePath("vrxlookups")).entryList(QDir::Files).size(), TLookupDataDm::TableNames().size());
    QFile written(folder.filePath("vrxlookups/mdMaterialType.txt"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("Code|Description\r\nGL|Glass\r\n"));
    QCOMPARE(m_prompter.calls().size(), 2);
}

void TestLookupActions::categoryTreeOpensAsAViewer()
{
    TCategoryTreeFrm::PictureFolder = QStringLiteral(VARNEX_BIN_DIR);
    LookupDataModule module(*m_maindm);
    FakeContext context;
    TMainfrm window(nullptr, &context);
    InstallLookupActions(window, *m_maindm);
    QVERIFY(window.mnuCategoryTree->isEnabled());
    bool checked = false;
    QTimer::singleShot(0, [&]() {
        auto *form = qobject_cast<TCategoryTreeFrm *>(TBasefrm::FindForm(&window, "CategoryTree"));
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->TreeTable(), QString("mdFeedCategoryTree"));
        QVERIFY(!form->HelpShown());
        QVERIFY(!form->actUseSelected->isEnabled());
        QVERIFY(form->actDelete->isEnabled());
        form->close();
        checked = true;
    });
    window.mnuCategoryTree->trigger();
    QVERIFY(checked);
    QVERIFY(!TBasefrm::FindForm(&window, "CategoryTree"));
    QVERIFY(m_prompter.calls().isEmpty());
}

QTEST_MAIN(TestLookupActions)
#include "tst_lookupactions.moc"
