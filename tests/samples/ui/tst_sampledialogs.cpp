// The analysis builders and the label declarations offscreen: what each hands back to its opener.
#include "samples/ui/AFAnalysisBuilderV2_FRM.h"
#include "samples/ui/AnalysisBuilder_FRM.h"
#include "samples/ui/LabelAllergenNotice_FRM.h"
#include "samples/ui/SampleLabelInfo_FRM.h"

#include "base/Prompter.h"
#include "reference/OptionalLookupData_DM.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>

class TestSampleDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void analysisBuilderInsertsCheckedNames();
    void analysisBuilderWithoutNames();
    void feedBuilderTicksAndReturnsLines();
    void labelDialogHandsBackWhatWasEntered();
    void unreadableStoredLabelIsSaidSo();
    void noticeHelperAddsCheckedLines();

private:
    std::unique_ptr<QWidget> m_owner;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TOptionalLookupDataDM> m_lists;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
};

void TestSampleDialogs::init()
{
    m_owner = std::make_unique<TBasefrm>(nullptr);
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    const QSqlDatabase db = m_db->db();
    m_lists = std::make_unique<TOptionalLookupDataDM>([db] { return db; });
    m_prompter.clear();
    m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestSampleDialogs::cleanup()
{
    m_scope.reset();
    m_owner.reset();
    m_lists.reset();
    m_db.reset();
}

void TestSampleDialogs::analysisBuilderInsertsCheckedNames()
{
    m_lists->SetLookupData("AnalysisCode", "Zinc\r\nlead\r\nArsenic");
    auto *form = TBasefrm::Create<TAnalysisBuilderFrm>(m_owner.get());
    auto defaults = std::make_unique<TAnalysisBuilderFrmDefaults>();
    defaults->InitialText = "Metals:\r\nend";
    defaults->Lists = m_lists.get();
    form->InitialiseDefaults(std::move(defaults));
    QCOMPARE(form->memAnalysisText->toPlainText(), QString("Metals:\nend"));
    QCOMPARE(form->lstAnalysisTypes->count(), 3);
    QCOMPARE(form->lstAnalysisTypes->item(0)->text(), QString("Arsenic")); // sorted, case ignored
    QCOMPARE(form->lstAnalysisTypes->item(1)->text(), QString("lead"));
    QVERIFY(form->pnlNoItems->isHidden());

    form->actCheckAll->trigger();
    form->lstAnalysisTypes->item(1)->setCheckState(Qt::Unchecked);
    QTextCursor caret = form->memAnalysisText->textCursor();
    caret.setPosition(7); // after "Metals:", before the line break
    form->memAnalysisText->setTextCursor(caret);
    form->actInsertChecked->trigger();
    QCOMPARE(form->memAnalysisText->toPlainText(), QString("Metals: Arsenic, Zinc \nend"));
    form->SetColumns(3);
    QCOMPARE(form->spnColumns->value(), 3);

    form->actSave->trigger();
    auto info = TakeReturnInfo<TAnalysisBuilderFrmReturnInfo>(*qobject_cast<TBasefrm *>(m_owner.get()));
    QVERIFY(info);
    QCOMPARE(info->ReturnText, QString("Metals: Arsenic, Zinc \r\nend"));
}

void TestSampleDialogs::analysisBuilderWithoutNames()
{
    auto *form = TBasefrm::Create<TAnalysisBuilderFrm>(m_owner.get());
    auto defaults = std::make_unique<TAnalysisBuilderFrmDefaults>();
    defaults->Lists = m_lists.get();
    form->InitialiseDefaults(std::move(defaults));
    QVERIFY(form->lstAnalysisTypes->isHidden());
    QVERIFY(!form->pnlNoItems->isHidden());
    QCOMPARE(form->pnlNoItems->text(), QString("There are no items in the 'Analysis' Optional list."));
    QVERIFY(!form->actInsertChecked->isEnabled() && !form->actCheckAll->isEnabled() && !form->actUncheckAll->isEnabled());
    // The memo can still be written and saved; closing without saving hands back nothing.
    form->memAnalysisText->setPlainText("by hand");
    form->reject();
    QVERIFY(!TakeReturnInfo<TAnalysisBuilderFrmReturnInfo>(*qobject_cast<TBasefrm *>(m_owner.get())));
}

void TestSampleDialogs::feedBuilderTicksAndReturnsLines()
{
    DataTable tree({{"UNIQUE_ID", FieldType::Int64, 0}, {"PARENT_ID", FieldType::Int64, 0},
                    {"DESCRIPTION", FieldType::String, 100}});
    for (const QVariantList &row : {QVariantList{1, -1, "Minerals"}, QVariantList{2, 1, "Lead"},
                                    QVariantList{3, 1, "Arsenic"}, QVariantList{4, 5, "Loop A"},
                                    QVariantList{5, 4, "Loop B"}})
        QVERIFY(tree.appendRow(row));
    auto *form = TBasefrm::Create<TAFAnalysisBuilderV2frm>(m_owner.get());
    auto defaults = std::make_unique<TAFAnalysisBuilderV2Defaults>();
    defaults->AnalysisText = "Zinc by hand\r\nminerals: lead;\r\n";
    defaults->Tree = &tree;
    form->InitialiseDefaults(std::move(defaults));
    QVERIFY(form->NodeChecked(2));
    QVERIFY(!form->NodeChecked(3));
    QCOMPARE(form->mdFeedAnalysisType->rowCount(), 3); // Minerals and the two nodes of the cycle

    form->SetNodeChecked(3, true);
    QCOMPARE(form->lstAnalysis->count(), 3);
    QCOMPARE(form->lstAnalysis->item(0)->text(), QString("Minerals: Arsenic;"));
    form->SetNodeChecked(3, false);
    form->SetNodeChecked(4, true);

    form->edtSearch->setText("ARS");
    QCOMPARE(form->lstSearchResults->count(), 1);
    emit form->lstSearchResults->itemClicked(form->lstSearchResults->item(0));
    QCOMPARE(form->CurrentNodeId(), qint64(3));

    form->actUseSelected->trigger();
    auto info = TakeReturnInfo<TAFAnalysisBuilderV2ReturnInfo>(*qobject_cast<TBasefrm *>(m_owner.get()));
    QVERIFY(info);
    QCOMPARE(info->AnalysisText, QString("Loop B: Loop A;\r\nminerals: lead;\r\nZinc by hand\r\n"));
}

void TestSampleDialogs::labelDialogHandsBackWhatWasEntered()
{
    TFoodLabel stored;
    stored.AlergenNoticeDeclared = "Yes";
    stored.AlergenNoticeDeclaration = "Eggs";
    stored.NotSuitableForVegetarians = "kept as it was";
    stored.ExpiryDate = QDateTime(QDate(2030, 5, 6), QTime(0, 0));
    auto *form = TBasefrm::Create<TSampleLabelInfoFrm>(m_owner.get());
    auto defaults = std::make_unique<TSampleLabelInfoFrmDefaults>();
    defaults->InitialText = stored.AsXML();
    form->InitialiseDefaults(std::move(defaults));
    QCOMPARE(form->cmbAllergenNotice->currentText(), QString("Yes"));
    QCOMPARE(form->cmbMeatContent->currentText(), QString("N/A"));
    QCOMPARE(form->memAllergenNotice->toPlainText(), QString("Eggs"));

    // "Choose..." carries the helper's text back after "Save", and nothing after "Close".
    QString shownToHelper;
    form->ChooseAllergens = [&shownToHelper](QObject *, const QString &text) {
        shownToHelper = text;
        return std::optional<QString>(text + "\r\nMilk");
    };
    form->actChooseAllergens->trigger();
    QCOMPARE(shownToHelper, QString("Eggs"));
    form->ChooseOtherAdditives = [](QObject *, const QString &) { return std::optional<QString>(); };
    form->memOtherAdditives->setPlainText("Colour");
    form->actChooseOtherAdditives->trigger();
    QCOMPARE(form->memOtherAdditives->toPlainText(), QString("Colour"));

    form->cmbMeatContent->setCurrentText("No");
    form->cmbVegetarian->setCurrentText("Suitable for vegans");
    form->actSave->trigger();
    auto info = TakeReturnInfo<TSampleLabelInfoFrmReturnInfo>(*qobject_cast<TBasefrm *>(m_owner.get()));
    QVERIFY(info);
    TFoodLabel back;
    back.SetAsXML(info->ReturnXML);
    QCOMPARE(back.AlergenNoticeDeclaration, QString("Eggs\r\nMilk"));
    QCOMPARE(back.MeatContentDeclared, QString("No"));
    QCOMPARE(back.PresevativesDeclared, QString("N/A"));
    QCOMPARE(back.OtherAdditivesDeclaration, QString("Colour"));
    QCOMPARE(back.SuitableForVegetarians, QString("Suitable for vegans"));
    QCOMPARE(back.NotSuitableForVegetarians, QString("kept as it was"));
    QCOMPARE(back.ExpiryDate, stored.ExpiryDate);
    QCOMPARE(info->ReturnText, back.AsFormattedText());
}

void TestSampleDialogs::unreadableStoredLabelIsSaidSo()
{
    auto *form = TBasefrm::Create<TSampleLabelInfoFrm>(m_owner.get());
    auto defaults = std::make_unique<TSampleLabelInfoFrmDefaults>();
    defaults->InitialText = "<FoodLabel version=\"1\"><MeatContentDeclared>Yes";
    form->InitialiseDefaults(std::move(defaults));
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error).size(), 1);
    QVERIFY(m_prompter.texts(Prompter::Kind::Error).first().startsWith("The label details cannot be read"));
    QCOMPARE(form->cmbMeatContent->currentText(), QString("N/A"));
    form->reject();
    QVERIFY(!TakeReturnInfo<TSampleLabelInfoFrmReturnInfo>(*qobject_cast<TBasefrm *>(m_owner.get())));
}

void TestSampleDialogs::noticeHelperAddsCheckedLines()
{
    QTimer::singleShot(0, []() {
        auto *helper = qobject_cast<TLabelAllergenNoticeFrm *>(QApplication::activeModalWidget());
        QVERIFY(helper);
        QCOMPARE(helper->lstItems->count(), 14);
        helper->lstItems->item(2)->setCheckState(Qt::Checked);
        helper->lstItems->item(13)->setCheckState(Qt::Checked);
        helper->actAddSelected->trigger();
        helper->actSave->trigger();
    });
    const std::optional<QString> text = TLabelNoticeListFrm::Choose<TLabelAllergenNoticeFrm>(m_owner.get(), "Fish");
    QCOMPARE(text.value_or("<closed>"), QString("Fish\r\nEggs\r\nLupin"));
}

QTEST_MAIN(TestSampleDialogs)
#include "tst_sampledialogs.moc"
