// The sample import screen and the translation terms screen, offscreen, with the recording
// prompter, on a store with the import fixture's lookup lists and the shipped field definitions.

#include "exchange/ImportFixture.h"

#include "base/Prompter.h"
#include "data/DataSet.h"
#include "data/GridModel.h"
#include "exchange/ui/ImportPremisesData_FRM.h"
#include "exchange/ui/ImportSamplesXML_FRM.h"
#include "exchange/ui/TranslationTerms_FRM.h"
#include "gui/DataGridView.h"
#include "gui/ZQCXDBEditControls.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

using namespace ImportFixture;

namespace {

// The store, its settings and lookup lists as the program's globals, and a recording prompter.
struct Screens
{
    ImportStore s;
    RecordingPrompter prompter;
    ScopedPrompter scope{&prompter};
    QWidget owner;

    Screens()
    {
        Maindm = s.maindm.get();
        LookupDataDm = s.lookups.get();
    }
    ~Screens()
    {
        LookupDataDm = nullptr;
        Maindm = nullptr;
    }

    TImportSamplesInfoFrm *importScreen(const QString &personality)
    {
        auto *form = TBasefrm::Create<TImportSamplesInfoFrm>(&owner);
        auto defaults = std::make_unique<TImportSamplesInfoFrmDefaults>();
        defaults->Personality = personality;
        defaults->ProgramFolder = programFolder();
        form->InitialiseDefaults(std::move(defaults));
        form->show();
        return form;
    }

    TImportPremisesInfoFrm *premisesScreen(const QString &personality)
    {
        auto *form = TBasefrm::Create<TImportPremisesInfoFrm>(&owner);
        auto defaults = std::make_unique<TImportPremisesInfoFrmDefaults>();
        defaults->Personality = personality;
        form->InitialiseDefaults(std::move(defaults));
        form->show();
        return form;
    }

    TTranslationTermsFrm *termsScreen(TTranslationType type)
    {
        auto *form = TBasefrm::Create<TTranslationTermsFrm>(&owner);
        auto defaults = std::make_unique<TTranslationTermsFrmDefaults>();
        defaults->TranslationType = type;
        defaults->ProgramFolder = programFolder();
        form->InitialiseDefaults(std::move(defaults));
        form->show();
        return form;
    }

    // Runs "Load Records" on the file; the prompter's texts afterwards.
    QStringList load(TImportSamplesInfoFrm *form, const QString &file)
    {
        prompter.queueFileName(file);
        form->actOpenFileDialog->trigger();
        prompter.clear();
        form->actLoadFromFIle->trigger();
        return prompter.texts();
    }

    qint64 terms(const QString &group)
    {
        return s.count(QStringLiteral("SELECT COUNT(*) FROM SYS_TRANSLATION WHERE GROUP_NAME = ? AND FLAG_DELETED = 'F'"),
                       {group});
    }
};

void saveShot(QWidget *w, const QString &name)
{
    const QString folder = qEnvironmentVariable("VARNEX_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QApplication::processEvents();
    w->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace

class TestImportForms : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void screenImportsAndCountsRefusals();
    void screenSaysCompleteOnlyWhenAllWereInserted();
    void screenRunThatStopsImportsNothing_data();
    void screenRunThatStopsImportsNothing();
    void screenOpensTheTermsOfItsPersonality();

    void premisesScreenLoadsWithItsOwnTerms();
    void premisesScreenKeepsTheRegisterAfterAFault();

    void termsAreAddedEditedAndDeleted();
    void translateToEditorFollowsTheField();
    void csvSavedAndAppended();
    void termsScreenNeedsAType();
};

void TestImportForms::screenImportsAndCountsRefusals()
{
    Screens screens;
    ImportStore &s = screens.s;
    Sample withoutType = validFoodSample(QStringLiteral("LA-2"));
    withoutType.remove("RecordType");
    withoutType.insert("DurabilityDay", "soon");
    const QString file = s.writeFile(QStringLiteral("s.xml"), document({validFoodSample(), withoutType,
                                                                        validFoodSample(QString(40, QLatin1Char('L')))}));
    TImportSamplesInfoFrm *form = screens.importScreen(QStringLiteral("ANIMAL FEED"));
    QCOMPARE(form->lblHeader->text(), QStringLiteral("  Import Animal feed samples"));
    QVERIFY(!form->Memo1->isVisible());
    const QStringList texts = screens.load(form, file);
    QCOMPARE(texts, QStringList{QStringLiteral("1 of 3 records could not be imported; the messages say why.")});
    QCOMPARE(form->Inserted(), 2);
    QCOMPARE(form->lblInserted->text(), QStringLiteral("2"));
    QCOMPARE(form->lblRefused->text(), QStringLiteral("1"));
    QVERIFY(form->Memo1->isVisible());
    const QString trace = form->Memo1->toPlainText();
    QVERIFY2(trace.contains(QStringLiteral("Record 2:\nDURABILITY_DAY--Durability day: Could not convert 'soon'to an "
                                           "integer value")),
             qPrintable(trace));
    QVERIFY2(trace.contains(QStringLiteral("Record 3:\nThe record was not imported: ")), qPrintable(trace));
    QVERIFY2(trace.contains(QStringLiteral("string right truncation")), qPrintable(trace));
    QVERIFY(!trace.contains(QStringLiteral("Record 1:")));
    saveShot(form, QStringLiteral("import-screen-feed"));

    // Imported as they are (the screen does not validate), the one without a type in the screen's
    // personality.
    QCOMPARE(s.sampleValue("LA-1", "SAMPLE_STATUS__CODE").toString(), QStringLiteral("IMPORTED"));
    QCOMPARE(s.sampleValue("LA-1", "RECORD_TYPE").toString(), QStringLiteral("FOOD"));
    QCOMPARE(s.sampleValue("LA-2", "RECORD_TYPE").toString(), QStringLiteral("ANIMAL FEED"));
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 2);
}

void TestImportForms::screenSaysCompleteOnlyWhenAllWereInserted()
{
    Screens screens;
    const QString file = screens.s.writeFile(QStringLiteral("s.xml"), document({validFoodSample()}));
    TImportSamplesInfoFrm *form = screens.importScreen(QStringLiteral("FOOD"));
    QCOMPARE(form->lblHeader->text(), QStringLiteral("  Import food samples"));
    QCOMPARE(screens.load(form, file), QStringList{QStringLiteral("Import Complete")});
    QCOMPARE(form->Inserted(), 1);
    QVERIFY(!form->Memo1->isVisible());
    QVERIFY(form->actLoadFromFIle->isEnabled());
    saveShot(form, QStringLiteral("import-screen-food"));
}

void TestImportForms::screenRunThatStopsImportsNothing_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("definitions");
    QTest::addColumn<QString>("error");
    const QByteArray good = document({validFoodSample()});
    QTest::newRow("not XML") << "s.txt" << good << "" << "s.txt is not an XML file";
    QTest::newRow("truncated") << "cut.xml" << good.left(100) << "" << "cut.xml: line ";
    QTest::newRow("no records") << "none.xml" << QByteArray("<QOVAData/>") << "" << "holds no record at the record path";
    QTest::newRow("definitions missing") << "s.xml" << good << "Gone.XML" << "The field definitions file ";
}

void TestImportForms::screenRunThatStopsImportsNothing()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, definitions);
    QFETCH(QString, error);
    Screens screens;
    screens.s.store.exec(QStringLiteral("UPDATE SYS_COMPANY SET XML_IMPORT_FIELD_DEFS_FILE = ?"), {definitions});
    TImportSamplesInfoFrm *form = screens.importScreen(QStringLiteral("FOOD"));
    const QStringList texts = screens.load(form, screens.s.writeFile(fileName, content));
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts.first().contains(error), qPrintable(texts.first()));
    QCOMPARE(screens.prompter.calls().first().kind, Prompter::Kind::Error);
    QCOMPARE(screens.s.count(QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 0);
    QVERIFY(!form->LoadingInProgress());
    form->close();
    QVERIFY(!form->isVisible());

    // A later run after a failed reading of the definitions reads them again.
    if (!definitions.isEmpty()) {
        screens.s.store.exec(QStringLiteral("UPDATE SYS_COMPANY SET XML_IMPORT_FIELD_DEFS_FILE = NULL"));
        TImportSamplesInfoFrm *again = screens.importScreen(QStringLiteral("FOOD"));
        QCOMPARE(screens.load(again, screens.s.writeFile(QStringLiteral("ok.xml"), document({validFoodSample()}))),
                 QStringList{QStringLiteral("Import Complete")});
    }
}

void TestImportForms::screenOpensTheTermsOfItsPersonality()
{
    Screens screens;
    TImportSamplesInfoFrm *form = screens.importScreen(QStringLiteral("ANIMAL FEED"));
    QString group;
    QTimer::singleShot(0, [&]() {
        auto *terms = qobject_cast<TTranslationTermsFrm *>(QApplication::activeModalWidget());
        if (terms) {
            group = terms->GroupName();
            terms->close();
        }
    });
    form->actTranslations->trigger();
    QCOMPARE(group, QStringLiteral("feed samples"));
}

void TestImportForms::premisesScreenLoadsWithItsOwnTerms()
{
    Screens screens;
    ImportStore &s = screens.s;
    TImportPremisesInfoFrm *form = screens.premisesScreen(QStringLiteral("FOOD"));
    QCOMPARE(form->lblHeader->text(), QStringLiteral("  Import Food premises"));
    QVERIFY(!form->chkEmptyFile->isChecked());
    QVERIFY(!form->actLoadFromFIle->isEnabled());

    // "Open File" starts in the home folder; a file that does not exist enables no load.
    screens.prompter.queueFileName(s.files.filePath(QStringLiteral("missing.csv")));
    form->actOpenFileDialog->trigger();
    QCOMPARE(screens.prompter.calls().last().kind, Prompter::Kind::OpenFile);
    QCOMPARE(screens.prompter.calls().last().initialText, QDir::homePath());
    QVERIFY(!form->actLoadFromFIle->isEnabled());

    // A term added through the screen's own "Translations" counts at the next load.
    QString group;
    QTimer::singleShot(0, [&]() {
        if (auto *terms = qobject_cast<TTranslationTermsFrm *>(QApplication::activeModalWidget())) {
            group = terms->GroupName();
            s.addTerm(group, QStringLiteral("Premises type"), QStringLiteral("Takeaway"), QStringLiteral("T"));
            terms->close();
        }
    });
    form->actTranslations->trigger();
    QCOMPARE(group, QStringLiteral("food premises"));

    // While the load runs the screen neither closes nor starts another.
    bool closedWhileLoading = true;
    bool loadEnabledWhileLoading = true;
    QTimer::singleShot(0, [&]() {
        QVERIFY(form->LoadingInProgress());
        loadEnabledWhileLoading = form->actLoadFromFIle->isEnabled();
        form->close();
        closedWhileLoading = !form->isVisible();
    });
    const QString file = s.writeFile(QStringLiteral("p.csv"), "P1,Chip Shop,,,,,,A,Takeaway,B\r\n\r\nP2,\"a\"\"b\"\r\n");
    screens.prompter.queueFileName(file);
    form->actOpenFileDialog->trigger();
    screens.prompter.clear();
    form->actLoadFromFIle->trigger();
    QVERIFY2(screens.prompter.texts().isEmpty(), qPrintable(screens.prompter.texts().join(QLatin1Char('\n'))));
    QVERIFY(!closedWhileLoading);
    QVERIFY(!loadEnabledWhileLoading);
    QCOMPARE(form->lblRecordCount->text(), QStringLiteral("3"));
    QCOMPARE(form->lblInserted->text(), QStringLiteral("2"));
    QCOMPARE(form->lblUpdated->text(), QStringLiteral("0"));
    QCOMPARE(form->lblSkipped->text(), QStringLiteral("1"));
    QCOMPARE(form->lblProcessed->text(), QStringLiteral("3"));
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL WHERE CODE = 'P1' AND PREMISES_TYPE__CODE = 'T'")), 1);
    QCOMPARE(s.store.scalar(QStringLiteral("SELECT PREMISES_NAME FROM PREMISES_DETAIL WHERE CODE = 'P2'")).toString(),
             QStringLiteral("a\"b"));
    saveShot(form, QStringLiteral("premises-import-food"));

    // The same file again inserts nothing.
    form->actLoadFromFIle->trigger();
    QCOMPARE(form->lblInserted->text(), QStringLiteral("0"));
    QCOMPARE(form->lblUpdated->text(), QStringLiteral("2"));
    QVERIFY(form->actLoadFromFIle->isEnabled());
    form->close();
    QVERIFY(!form->isVisible());
}

void TestImportForms::premisesScreenKeepsTheRegisterAfterAFault()
{
    Screens screens;
    ImportStore &s = screens.s;
    s.store.exec(QStringLiteral("INSERT INTO PREMISES_DETAIL_ANIMAL_FEED (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, "
                                "FLAG_ANIMAL_FEEDS, FLAG_DELETED) VALUES (5, 50, 'T', 'S5', 'S5', 'T', 'F')"));
    TImportPremisesInfoFrm *form = screens.premisesScreen(QStringLiteral("ANIMAL FEED"));
    QCOMPARE(form->lblHeader->text(), QStringLiteral("  Import Animal feed premises"));
    form->chkEmptyFile->setChecked(true);
    const QString file = s.writeFile(QStringLiteral("feed.csv"), "F1,Mill\nF2,\"open\n");
    screens.prompter.queueFileName(file);
    form->actOpenFileDialog->trigger();
    screens.prompter.clear();
    form->actLoadFromFIle->trigger();
    QCOMPARE(screens.prompter.texts(Prompter::Kind::Error),
             QStringList{QStringLiteral("Error Decoding String: line 2, column 4 (CODE \"F2\"): a value in double quotes "
                                        "is not closed. Nothing of the file was imported.")});
    QCOMPARE(form->lblInserted->text(), QStringLiteral("0"));
    QCOMPARE(form->lblProcessed->text(), QStringLiteral("0"));
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL_ANIMAL_FEED WHERE FLAG_DELETED = 'F'")), 1);
    QVERIFY(!form->LoadingInProgress());
    saveShot(form, QStringLiteral("premises-import-feed"));
}

void TestImportForms::termsAreAddedEditedAndDeleted()
{
    Screens screens;
    TTranslationTermsFrm *form = screens.termsScreen(TTranslationType::trnTypeFoodSample);
    QCOMPARE(form->windowTitle(), QStringLiteral("Translation Terms"));
    QVERIFY(form->FieldNames().contains(QStringLiteral("Premises type")));
    QCOMPARE(form->FieldNames().first(), QStringLiteral("Record type"));
    QVERIFY(!form->pnlEdit->isEnabled());
    QVERIFY(!form->actSaveEdit->isVisible());
    // The panel shows the current row's term, and nothing while the list has none.
    const auto panel = [form]() {
        QComboBox *lookup = form->edtDataValueLookup;
        const QString to = !lookup->isVisible()        ? form->edtDataValueString->text()
                           : lookup->currentIndex() >= 0 ? lookup->currentData().toString()
                                                         : lookup->placeholderText();
        return QStringList{form->edtFieldName->currentText(), form->edtImportValue->text(), to};
    };
    const QStringList nothing = {QString(), QString(), QString()};
    QCOMPARE(panel(), nothing);

    form->actAppendTranslation->trigger();
    QVERIFY(form->pnlEdit->isEnabled());
    QVERIFY(form->btnSaveEdit->isVisible());
    form->edtFieldName->setFocus();
    QTest::keyClicks(form->edtFieldName, QStringLiteral("Premises type"));
    form->SetUpTranslateToEditor();
    form->edtImportValue->setFocus();
    QTest::keyClicks(form->edtImportValue, QStringLiteral("Takeaway"));
    form->edtDataValueLookup->setFocus();
    const int takeaway = form->edtDataValueLookup->findData(QStringLiteral("T"));
    QVERIFY(takeaway >= 0);
    form->edtDataValueLookup->setCurrentIndex(takeaway);
    emit form->edtDataValueLookup->activated(takeaway);
    saveShot(form, QStringLiteral("terms-editing"));
    form->actSaveEdit->trigger();
    QVERIFY(!form->IsEditing());
    QCOMPARE(form->lblCount->text(), QStringLiteral("Count: 1"));
    QCOMPARE(screens.s.count(QStringLiteral("SELECT COUNT(*) FROM SYS_TRANSLATION WHERE GROUP_NAME = 'food samples' AND "
                                            "FIELD_NAME = 'Premises type' AND FROM_VALUE = 'Takeaway' AND TO_VALUE = 'T' "
                                            "AND LOCAL_AUTH_OFFICE__CODE = 'ABC01' AND FLAG_DELETED = 'F'")),
             1);
    saveShot(form, QStringLiteral("terms-list"));

    // Edit, then cancel: nothing changes.
    form->grdTranslations->selectFirst();
    form->actEditTranslation->trigger();
    QVERIFY(form->IsEditing());
    form->edtImportValue->setFocus();
    QTest::keyClicks(form->edtImportValue, QStringLiteral(" shop"));
    form->actCancelEdit->trigger();
    QCOMPARE(screens.s.count(QStringLiteral("SELECT COUNT(*) FROM SYS_TRANSLATION WHERE FROM_VALUE = 'Takeaway'")), 1);

    const QStringList takeawayTerm = {QStringLiteral("Premises type"), QStringLiteral("Takeaway"), QStringLiteral("T")};
    QCOMPARE(panel(), takeawayTerm);
    screens.s.addTerm(QStringLiteral("food samples"), QStringLiteral("Brand name"), QStringLiteral("Acme"),
                      QStringLiteral("ACME LTD"));
    form->qryTranslations->refresh();
    form->grdTranslations->selectFirst();
    QCOMPARE(panel(), (QStringList{QStringLiteral("Brand name"), QStringLiteral("Acme"), QStringLiteral("ACME LTD")}));
    form->actDeleteTranslation->trigger();
    QCOMPARE(form->lblCount->text(), QStringLiteral("Count: 1"));
    QCOMPARE(panel(), takeawayTerm);

    form->actDeleteTranslation->trigger();
    QCOMPARE(form->lblCount->text(), QStringLiteral("Count: 0"));
    QCOMPARE(panel(), nothing);
    QCOMPARE(screens.terms(QStringLiteral("food samples")), 0);
    QCOMPARE(screens.s.count(QStringLiteral("SELECT COUNT(*) FROM SYS_TRANSLATION WHERE FLAG_DELETED = 'T'")), 2);

    // A term that went meanwhile cannot be deleted, and the screen says so.
    screens.s.addTerm(QStringLiteral("food samples"), QStringLiteral("Condition"), QStringLiteral("Cold"), QStringLiteral("C"));
    form->qryTranslations->refresh();
    form->grdTranslations->selectFirst();
    screens.s.store.exec(QStringLiteral("DELETE FROM SYS_TRANSLATION"));
    screens.prompter.clear();
    form->actDeleteTranslation->trigger();
    QCOMPARE(screens.prompter.texts(Prompter::Kind::Error),
             QStringList{QStringLiteral("The translation term cannot be deleted: it is no longer in the list.")});
    QCOMPARE(form->lblCount->text(), QStringLiteral("Count: 0"));
    QCOMPARE(panel(), nothing);
}

void TestImportForms::translateToEditorFollowsTheField()
{
    Screens screens;
    TTranslationTermsFrm *form = screens.termsScreen(TTranslationType::trnTypeFoodSample);
    form->actAppendTranslation->trigger();
    const auto chooseField = [&](const QString &name) {
        form->edtFieldName->setEditText(name);
        form->SetUpTranslateToEditor();
    };
    chooseField(QStringLiteral("Premises type"));
    QVERIFY(form->edtDataValueLookup->isVisible());
    QVERIFY(!form->edtDataValueString->isVisible());
    QCOMPARE(form->edtDataValueLookup->count(), 2);
    QCOMPARE(form->edtDataValueLookup->itemText(1), QStringLiteral("T - Takeaway"));
    chooseField(QStringLiteral("Brand name"));
    QVERIFY(!form->edtDataValueLookup->isVisible());
    QVERIFY(form->edtDataValueString->isVisible());
    chooseField(QStringLiteral("Country"));
    QVERIFY(form->edtDataValueLookup->isVisible());
    QCOMPARE(form->edtDataValueLookup->itemText(0), QStringLiteral("UNITED KINGDOM"));
    // A name that is no field's: the list is emptied, the editors stay.
    chooseField(QStringLiteral("No such field"));
    QVERIFY(form->edtDataValueLookup->isVisible());
    QCOMPARE(form->edtDataValueLookup->count(), 0);
    form->actCancelEdit->trigger();

    // A premises group names its lists by the fixed field names.
    TTranslationTermsFrm *premises = screens.termsScreen(TTranslationType::trnTypeFeedPremises);
    QCOMPARE(premises->FieldNames(),
             QStringList({QStringLiteral("Animal Feed Risk Category"), QStringLiteral("Premises type")}));
    premises->actAppendTranslation->trigger();
    premises->edtFieldName->setEditText(QStringLiteral("Risk Category"));
    premises->SetUpTranslateToEditor();
    QVERIFY(premises->edtDataValueLookup->isVisible());
    QCOMPARE(premises->edtDataValueLookup->itemText(0), QStringLiteral("A"));
    premises->actCancelEdit->trigger();
}

void TestImportForms::csvSavedAndAppended()
{
    Screens screens;
    ImportStore &s = screens.s;
    s.addTerm(QStringLiteral("food samples"), QStringLiteral("Premises type"), QStringLiteral("Takeaway"), QStringLiteral("T"));
    s.addTerm(QStringLiteral("food samples"), QStringLiteral("Brand name"), QStringLiteral("Acme, Ltd"),
              QStringLiteral("ACME \"the\" brand"));
    s.addTerm(QStringLiteral("food samples"), QStringLiteral("Condition"), QStringLiteral("gone"), QStringLiteral("G"),
              QStringLiteral("T"));
    TTranslationTermsFrm *food = screens.termsScreen(TTranslationType::trnTypeFoodSample);
    const QString csv = s.files.filePath(QStringLiteral("terms.csv"));

    // Cancelled dialogs do nothing.
    food->actSaveToCSV->trigger();
    QVERIFY(!QFile::exists(csv));
    screens.prompter.queueFileName(csv);
    food->actSaveToCSV->trigger();
    QCOMPARE(readAll(csv).count('\n'), 2);

    TTranslationTermsFrm *feed = screens.termsScreen(TTranslationType::trnTypeFeedSample);
    feed->actLoadFromCSV->trigger();
    QCOMPARE(screens.terms(QStringLiteral("feed samples")), 0);
    screens.prompter.queueFileName(csv);
    feed->actLoadFromCSV->trigger();
    QCOMPARE(feed->lblCount->text(), QStringLiteral("Count: 2"));
    const QString same = QStringLiteral("SELECT COUNT(*) FROM SYS_TRANSLATION A JOIN SYS_TRANSLATION B ON "
                                        "B.FIELD_NAME = A.FIELD_NAME AND B.FROM_VALUE = A.FROM_VALUE AND "
                                        "B.TO_VALUE = A.TO_VALUE AND B.GROUP_NAME = 'feed samples' AND B.FLAG_DELETED = 'F' "
                                        "WHERE A.GROUP_NAME = 'food samples' AND A.FLAG_DELETED = 'F'");
    QCOMPARE(s.count(same), 2);

    // A file with a bad line appends nothing and says which line.
    writeAll(csv, "Condition,C,Cold\r\nCondition,F\r\n");
    screens.prompter.clear();
    screens.prompter.queueFileName(csv);
    feed->actLoadFromCSV->trigger();
    QCOMPARE(screens.prompter.texts(Prompter::Kind::Error).size(), 1);
    QVERIFY(screens.prompter.texts(Prompter::Kind::Error).first().contains(QStringLiteral("line 2")));
    QCOMPARE(screens.terms(QStringLiteral("feed samples")), 2);
}

void TestImportForms::termsScreenNeedsAType()
{
    Screens screens;
    auto *form = TBasefrm::Create<TTranslationTermsFrm>(&screens.owner);
    QString error;
    try {
        form->InitialiseDefaults(std::make_unique<TTranslationTermsFrmDefaults>());
    } catch (const VarnexError &e) {
        error = e.message();
    }
    QCOMPARE(error, TTranslationTermsFrm::NoTypeMessage());
}

QTEST_MAIN(TestImportForms)
#include "tst_importforms.moc"
