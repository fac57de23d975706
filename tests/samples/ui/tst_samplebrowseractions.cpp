// The food sample browser's actions, offscreen on a test store: the row's actions and captions,
// and the actions on the selected samples.
#include "SampleBrowserFixture.h"

class TestSampleBrowserActions : public QObject, protected SampleBrowserFixture
{
    Q_OBJECT

private slots:
    void init() { initFixture(); }
    void cleanup() { cleanupFixture(); }

    void rowActionsFollowTheCurrentRow();
    void cancelDeleteAndTheProcedureDecides();
    void createTemplateAsksThenOpensTheNewTemplate();
    void selectAllReadsNothingAndActionsReadTheSelection();
    void printReportRefusesAMixedSelection();
    void officeUpdateMovesEverySelectedSample();
    void editorAndExportGoThroughTheirOpeners();
    void tabRulesDecideTheRecordActions();
};

void TestSampleBrowserActions::rowActionsFollowTheCurrentRow()
{
    TSampleBrowserFrm *b = openBrowser();
    TSampleBrowserFrm::SetSampleEditorOpener(QStringLiteral("FOOD"), [](QWidget *, const QString &) {});
    b->SelectTab(QStringLiteral("ENTERED"));
    // An empty list: nothing to view or delete.
    QVERIFY(!b->grdSampleView->currentKey().isValid());
    QCOMPARE(b->actDeleteSelected->text(), QStringLiteral("Delete"));
    QVERIFY(!b->actDeleteSelected->isEnabled());
    QCOMPARE(b->actShowEditSample->text(), QStringLiteral("View"));
    QVERIFY(!b->actShowEditSample->isEnabled());
    QVERIFY(b->actShowNewSample->isEnabled());
    b->actDeleteSelected->trigger();
    QVERIFY(m_prompter.calls().isEmpty());

    addSample({QStringLiteral("E1")});
    addSample({QStringLiteral("X1"), QStringLiteral("EXPORTED")});
    addSample({QStringLiteral("C1"), QStringLiteral("COMPLETE")});
    addSample({QStringLiteral("I1"), QStringLiteral("IMPORTED")});
    b->SelectTab(QStringLiteral("ALL"));
    listedCodes(*b);
    struct Case
    {
        const char *code, *edit, *del;
        bool canDelete;
    };
    for (const Case &c : {Case{"E1", "Edit", "Delete", true}, Case{"X1", "View", "Cancel", true},
                          Case{"C1", "View", "Delete", false}, Case{"I1", "Edit", "Delete", true}}) {
        makeCurrent(*b, QLatin1String(c.code));
        QCOMPARE(b->actShowEditSample->text(), QLatin1String(c.edit));
        QVERIFY(b->actShowEditSample->isEnabled());
        QCOMPARE(b->actDeleteSelected->text(), QLatin1String(c.del));
        QCOMPARE(b->actDeleteSelected->isEnabled(), c.canDelete);
    }

    // A row hidden in a collapsed group is not acted on; the selection stays as it was.
    for (bool all : {false, true}) {
        b->actFullExpandGroups->trigger();
        makeCurrent(*b, QStringLiteral("E1"));
        QVERIFY(b->actDeleteSelected->isEnabled());
        if (all)
            b->actFullCollapseGroups->trigger();
        else
            b->grdSampleView->collapse(b->qrySample->groupIndex(b->qrySample->groupOf(rowOf(*b, QStringLiteral("E1")))));
        QVERIFY(!b->grdSampleView->currentKey().isValid());
        QVERIFY(!b->actDeleteSelected->isEnabled());
        QVERIFY(!b->actShowEditSample->isEnabled());
        QCOMPARE(b->grdSampleView->selection().picked.size(), 1);
    }
}

void TestSampleBrowserActions::cancelDeleteAndTheProcedureDecides()
{
    const QString exported = addSample({QStringLiteral("X1"), QStringLiteral("EXPORTED")});
    const QString entered = addSample({QStringLiteral("E1"), QStringLiteral("ENTERED")});
    const QString racing = addSample({QStringLiteral("X2"), QStringLiteral("EXPORTED")});
    TSampleBrowserFrm *b = openBrowser();
    const auto status = [this](const QString &uuid) {
        return m_store->db.scalar(QStringLiteral("SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ?"), {uuid}).toString();
    };
    b->SelectTab(QStringLiteral("EXPORTED"));
    listedCodes(*b);
    makeCurrent(*b, QStringLiteral("X1"));
    QCOMPARE(b->actDeleteSelected->text(), QStringLiteral("Cancel"));
    // No: nothing changes.
    b->actDeleteSelected->trigger();
    QCOMPARE(m_prompter.texts(Prompter::Kind::Question), QStringList{TSampleBrowserFrm::CancelQuestion()});
    QCOMPARE(status(exported), QStringLiteral("EXPORTED"));
    // Yes: cancelled, its code queued for the laboratory, gone from the tab.
    m_prompter.queueAnswer(true);
    b->grdSampleView->selectAll();
    b->actDeleteSelected->trigger();
    QCOMPARE(status(exported), QStringLiteral("CANCELLED"));
    QCOMPARE(m_store->db.scalar(QStringLiteral("SELECT LIST(SAMPLE__CODE) FROM CANCELLED_SAMPLE")).toString(), QStringLiteral("X1"));
    QCOMPARE(listedCodes(*b), QStringList{"X2"});
    QVERIFY(b->grdSampleView->selection().isEmpty());

    // A sample completed since the list was read is refused, and stays as it is.
    m_store->db.exec(QStringLiteral("UPDATE SAMPLE SET SAMPLE_STATUS__CODE = 'COMPLETE' WHERE UNIQUE_UUID = ?"), {racing});
    makeCurrent(*b, QStringLiteral("X2"));
    QCOMPARE(b->actDeleteSelected->text(), QStringLiteral("Cancel"));
    m_prompter.clear();
    m_prompter.queueAnswer(true);
    b->actDeleteSelected->trigger();
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error), QStringList{"Cannot delete a sample that has been completed."});
    QCOMPARE(status(racing), QStringLiteral("COMPLETE"));

    // An entered sample is deleted and leaves the list.
    b->SelectTab(QStringLiteral("ENTERED"));
    makeCurrent(*b, QStringLiteral("E1"));
    m_prompter.clear();
    m_prompter.queueAnswer(true);
    b->actDeleteSelected->trigger();
    QCOMPARE(m_prompter.texts(Prompter::Kind::Question), QStringList{TSampleBrowserFrm::DeleteQuestion()});
    QCOMPARE(status(entered), QStringLiteral("DELETED"));
    QCOMPARE(listedCodes(*b), QStringList{});
    QCOMPARE(b->pnlFooter->text(), QStringLiteral("Samples: 0"));
}

void TestSampleBrowserActions::createTemplateAsksThenOpensTheNewTemplate()
{
    addSample({QStringLiteral("T1"), QStringLiteral("ENTERED")});
    TSampleBrowserFrm *b = openBrowser();
    b->SelectTab(QStringLiteral("ENTERED"));
    listedCodes(*b);
    makeCurrent(*b, QStringLiteral("T1"));
    const auto templates = [this]() { return m_store->db.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE_TEMPLATE")).toInt(); };
    const int before = templates();
    // No: nothing is made.
    b->actCreateTemplate->trigger();
    QCOMPARE(m_prompter.texts(Prompter::Kind::Question), QStringList{TSampleBrowserFrm::CreateTemplateQuestion()});
    QCOMPARE(templates(), before);
    // Yes: the template is made and opened in the template editor, which is closed here.
    QString opened;
    QTimer::singleShot(0, [&opened]() {
        if (QWidget *editor = QApplication::activeModalWidget()) {
            opened = QString::fromLatin1(editor->metaObject()->className());
            editor->close();
        }
    });
    m_prompter.queueAnswer(true);
    b->actCreateTemplate->trigger();
    QCOMPARE(templates(), before + 1);
    QCOMPARE(opened, QStringLiteral("TSampleTemplateEditFrm"));
}

void TestSampleBrowserActions::selectAllReadsNothingAndActionsReadTheSelection()
{
    // Samples made here are numbered down from -1: the newest comes first.
    QStringList inOrder;
    for (int i = 1; i <= 230; ++i)
        inOrder.prepend(addSample({QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0'))}));
    const QString other = addSample({QStringLiteral("ZZ"), QStringLiteral("ENTERED"), QStringLiteral("Zed")});
    TSampleBrowserFrm *b = openBrowser();
    GroupedGridModel *m = b->qrySample;
    QTRY_VERIFY(m->countsKnown());
    QCOMPARE(b->pnlFooter->text(), QStringLiteral("Samples: 231"));
    const int read = m->rowsRead(0);
    QVERIFY(read < 230);
    // The first row is current and selected.
    QCOMPARE(uuids(b->SelectedSamples()), QStringList{inOrder.first()});

    b->btnSelectAll->click();
    QCOMPARE(m->rowsRead(0), read);
    QList<TSampleBrowserFrm::SelectedSample> all = b->SelectedSamples();
    QCOMPARE(all.size(), 231);
    QCOMPARE(uuids(all), inOrder + QStringList{other});
    QCOMPARE(all.first().status, QStringLiteral("ENTERED"));

    // Ctrl+click takes one out; rows read later come selected.
    const int code = m->columnIndex(QStringLiteral("CODE"));
    const QModelIndex second = m->index(1, code, m->groupIndex(0));
    b->grdSampleView->scrollTo(second);
    QTest::mouseClick(b->grdSampleView->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      b->grdSampleView->visualRect(second).center());
    all = b->SelectedSamples();
    QCOMPARE(all.size(), 230);
    QVERIFY(!uuids(all).contains(inOrder.at(1)));
    m->fetchGroup(0);
    QVERIFY(b->grdSampleView->selectionModel()->isRowSelected(read, m->groupIndex(0)));

    // A plain click picks one row only.
    QTest::mouseClick(b->grdSampleView->viewport(), Qt::LeftButton, Qt::NoModifier,
                      b->grdSampleView->visualRect(second).center());
    QCOMPARE(uuids(b->SelectedSamples()), QStringList{inOrder.at(1)});
    // Picks keep their order.
    const QModelIndex fifth = m->index(4, code, m->groupIndex(0));
    QTest::mouseClick(b->grdSampleView->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      b->grdSampleView->visualRect(fifth).center());
    QTest::mouseClick(b->grdSampleView->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      b->grdSampleView->visualRect(m->index(0, code, m->groupIndex(0))).center());
    QCOMPARE(uuids(b->SelectedSamples()), (QStringList{inOrder.at(1), inOrder.at(4), inOrder.at(0)}));

    // Export to XML takes the selection as it is, and nothing without one.
    QVERIFY(!b->actExportToXML->isEnabled());
    QCOMPARE(b->actExportToXML->toolTip(), TSampleBrowserFrm::NotAvailableText());
    QList<QStringList> exported;
    TSampleBrowserFrm::SetXmlRangeExporter([&](QWidget *, const QStringList &range) { exported << range; });
    b->RefreshData();
    QCOMPARE(uuids(b->SelectedSamples()), (QStringList{inOrder.at(1), inOrder.at(4), inOrder.at(0)}));
    b->btnClearSelection->click();
    QVERIFY(b->actExportToXML->isEnabled());
    QVERIFY(b->SelectedSamples().isEmpty());
    b->actExportToXML->trigger();
    QVERIFY(exported.isEmpty());
    b->btnSelectAll->click();
    b->actExportToXML->trigger();
    TSampleBrowserFrm::SetXmlRangeExporter({});
    QCOMPARE(exported, QList<QStringList>{inOrder + QStringList{other}});
}

void TestSampleBrowserActions::printReportRefusesAMixedSelection()
{
    const QString done1 = addSample({QStringLiteral("C1"), QStringLiteral("COMPLETE")});
    const QString done2 = addSample({QStringLiteral("C2"), QStringLiteral("COMPLETE")});
    const QString open = addSample({QStringLiteral("X1"), QStringLiteral("EXPORTED")});
    QTemporaryDir pdfs;
    PdfFileOutput output(pdfs.path());
    const ScopedReportOutput scope(&output);
    TSampleBrowserFrm *b = openBrowser();
    b->dteStart->setDate(QDate(2000, 1, 1));
    b->SelectTab(QStringLiteral("ALL"));
    listedCodes(*b);

    // The current row is complete, one of the selected is not: nothing is printed.
    makeCurrent(*b, QStringLiteral("C1"));
    b->grdSampleView->selectAll();
    b->actPrintReport->trigger();
    QCOMPARE(m_prompter.texts(), QStringList{"Sample report can only be run on complete samples!"});
    QVERIFY(output.files().isEmpty());

    // A sample completed since the list was read counts as it is now.
    m_store->db.exec(QStringLiteral("UPDATE SAMPLE SET SAMPLE_STATUS__CODE = 'COMPLETE' WHERE UNIQUE_UUID = ?"), {open});
    m_prompter.clear();
    b->actPrintReport->trigger();
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join(QLatin1Char('\n'))));
    QCOMPARE(output.files().size(), 1);
    const QString text = ReportTools::pdfText(output.files().first());
    for (const QString &code : {QStringLiteral("C1"), QStringLiteral("C2"), QStringLiteral("X1")})
        QVERIFY2(text.contains(QStringLiteral("Food of ") + code), qPrintable(code));
    Q_UNUSED(done1)
    Q_UNUSED(done2)
}

void TestSampleBrowserActions::officeUpdateMovesEverySelectedSample()
{
    m_store->db.exec(QStringLiteral("INSERT INTO LOCAL_AUTH_OFFICE (UNIQUE_UUID, CODE, OFFICE_CODE, DESCRIPTION, "
                                    "LOCAL_AUTHORITY__CODE, FLAG_DELETED) VALUES ('00000000-0000-0000-0000-0000000000B1', "
                                    "'ABC02', '02', 'South Office', 'ABC', 'F')"));
    for (int i = 1; i <= 300; ++i)
        addSample({QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0'))});
    const QString other = addSample({QStringLiteral("V1"), QStringLiteral("VALIDATED")});
    QStringList asked;
    TSampleBrowserFrm::SetOfficeChooser([&asked](QWidget *) {
        asked << QStringLiteral("asked");
        return QStringLiteral("ABC02");
    });
    TSampleBrowserFrm *b = openBrowser();
    QVERIFY(b->actUpdateSampleOffice->isEnabled());
    QTRY_VERIFY(b->qrySample->countsKnown());
    QVERIFY(b->qrySample->rowsRead(0) < 300);
    b->grdSampleView->selectAll();
    m_prompter.queueAnswer(true);
    b->actUpdateSampleOffice->trigger();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(m_prompter.texts(), (QStringList{"Update selected Samples office to: South Office?", "Samples updated"}));
    QCOMPARE(m_store->db.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE LOCAL_AUTH_OFFICE__CODE = 'ABC02' "
                                               "AND LOCAL_AUTH_OFFICE_DESCRIPTION = 'South Office'"))
                 .toInt(),
             300);
    QCOMPARE(m_store->db.scalar(QStringLiteral("SELECT LOCAL_AUTH_OFFICE__CODE FROM SAMPLE WHERE UNIQUE_UUID = ?"), {other})
                 .toString(),
             QStringLiteral("ABC01"));
    // The list shows the moved samples.
    QCOMPARE(b->qrySample->value(b->grdSampleView->currentIndex(), QStringLiteral("LOCAL_AUTH_OFFICE__CODE")).toString(),
             QStringLiteral("ABC02"));

    // A cancelled pick changes nothing and asks nothing.
    TSampleBrowserFrm::SetOfficeChooser([](QWidget *) { return QStringLiteral("CANCELLED"); });
    m_prompter.clear();
    b->actUpdateSampleOffice->trigger();
    QVERIFY(m_prompter.calls().isEmpty());
}

void TestSampleBrowserActions::editorAndExportGoThroughTheirOpeners()
{
    const QString uuid = addSample({QStringLiteral("E1")});
    TSampleBrowserFrm *b = openBrowser();
    // Without the editor and the export engine their actions cannot be used.
    QVERIFY(!b->actShowNewSample->isEnabled());
    QVERIFY(!b->actExportRecords->isEnabled());
    QCOMPARE(b->actShowNewSample->toolTip(), TSampleBrowserFrm::NotAvailableText());

    QStringList opened;
    // Another personality's editor is not this browser's.
    TSampleBrowserFrm::SetSampleEditorOpener(QStringLiteral("ANIMAL FEED"), [&](QWidget *, const QString &u) {
        opened << QStringLiteral("ANIMAL FEED|") + u;
    });
    QVERIFY(!b->actShowNewSample->isEnabled());
    TSampleBrowserFrm::SetSampleEditorOpener(QStringLiteral("FOOD"), [&](QWidget *owner, const QString &u) {
        QCOMPARE(owner, b);
        opened << QStringLiteral("FOOD|") + u;
        // The editor saves a change the browser shows once it is back.
        m_store->db.exec(QStringLiteral("UPDATE SAMPLE SET FOOD_DESCRIPTION = 'Edited' WHERE UNIQUE_UUID = ?"), {uuid});
    });
    QStringList wizards;
    TSampleExportDM::SetWizardOpener([&](TSampleExportDM &, const QString &personality, bool toFile) {
        wizards << personality + (toFile ? QStringLiteral("|file") : QStringLiteral("|lab"));
    });
    TSampleBrowserFrm::SetExportModuleFactory([this]() {
        return std::make_unique<TSampleExportDM>(*Maindm, []() { return CentralServerSettings(); });
    });
    b->SelectTab(QStringLiteral("ENTERED"));
    QVERIFY(b->actShowNewSample->isEnabled());
    b->actShowNewSample->trigger();
    b->grdSampleView->rowActivated(b->grdSampleView->currentKey());
    QCOMPARE(opened, (QStringList{"FOOD|", "FOOD|" + uuid}));
    QCOMPARE(b->qrySample->value(b->grdSampleView->currentIndex(), QStringLiteral("FOOD_DESCRIPTION")).toString(),
             QStringLiteral("Edited"));
    b->actExportRecords->trigger();
    b->actExportToFile->trigger();
    QCOMPARE(wizards, (QStringList{"FOOD|lab", "FOOD|file"}));
    TSampleExportDM::SetWizardOpener({});
    TSampleBrowserFrm::SetSampleEditorOpener(QStringLiteral("ANIMAL FEED"), {});

    // Ctrl+Alt+D switches the report designer on and off.
    QVERIFY(!Maindm->ReportDesignEnabled);
    QCOMPARE(b->actDesignReport->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+D")));
    b->actDesignReport->trigger();
    QVERIFY(Maindm->ReportDesignEnabled);
    b->actDesignReport->trigger();
    QVERIFY(!Maindm->ReportDesignEnabled);
}

void TestSampleBrowserActions::tabRulesDecideTheRecordActions()
{
    TSampleBrowserFrm *b = openBrowser();
    struct Case
    {
        const char *tab;
        bool prosecution, outcomes;
    };
    for (const Case &c : {Case{"COMPLETE", true, true}, Case{"EXPORTED", false, true}, Case{"CANCELLED", false, true},
                          Case{"ENTERED", false, false}, Case{"ALL", false, false}}) {
        b->SelectTab(QLatin1String(c.tab));
        QCOMPARE(TSampleBrowserFrm::RuleAllows(b->actUpdateProsecution), c.prosecution);
        QCOMPARE(TSampleBrowserFrm::RuleAllows(b->actLabellingOutcomes), c.outcomes);
        QCOMPARE(TSampleBrowserFrm::RuleAllows(b->actLAEnforcementOutcomes), c.outcomes);
        // Duplication, templates and the server's records follow the tabs.
        QVERIFY(b->actDuplicateSample->isEnabled());
        QVERIFY(b->actMailMergeSamples->isEnabled());
        QCOMPARE(b->actUpdateProsecution->isEnabled(), c.prosecution);
        QCOMPARE(b->actLabellingOutcomes->isEnabled(), c.outcomes);
        QCOMPARE(b->actLAEnforcementOutcomes->isEnabled(), c.outcomes);
        QVERIFY(b->actCreateTemplate->isEnabled());
        QVERIFY(b->actViewTemplates->isEnabled());
    }
    QVERIFY(b->actFullCollapseGroups->isEnabled());
    QVERIFY(b->actPrintSample->isEnabled());
}

QTEST_MAIN(TestSampleBrowserActions)
#include "tst_samplebrowseractions.moc"
