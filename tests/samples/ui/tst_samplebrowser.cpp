// The food sample browser, offscreen on a test store: what each tab lists, the filters, the
// results pane, the grid keeping the current row and its place, and the layouts kept and exported.
#include "SampleBrowserFixture.h"

class TestSampleBrowser : public QObject, protected SampleBrowserFixture
{
    Q_OBJECT

private slots:
    void init() { initFixture(); }
    void cleanup() { cleanupFixture(); }

    void tabsLegendAndWhatEachTabLists();
    void filters_data();
    void filters();
    void typedFilterDates();
    void resultsPaneFollowsTheRestingRow();
    void aSampleRenumberedByAPassStaysChosen();
    void theGridStaysWhereTheUserLeftIt();
    void sortingAndTheLayoutKeptInOnePlace();
    void layoutsAndExcelGoThroughTheLayoutStore();
    void anotherPersonalityIsAProfileOfTheSameForm();
};

void TestSampleBrowser::tabsLegendAndWhatEachTabLists()
{
    addSample({QStringLiteral("E1")});
    addSample({QStringLiteral("E2"), QStringLiteral("ENTERED"), QStringLiteral("Jo Bloggs"), QStringLiteral("Corner Shop"),
               Today, QVariant()}); // no flag at all: listed
    addSample({QStringLiteral("I1"), QStringLiteral("IMPORTED")});
    addSample({QStringLiteral("C1"), QStringLiteral("COMPLETE")});
    addSample({QStringLiteral("N1"), QVariant()}); // no status: listed, on All only
    addSample({QStringLiteral("D1"), QStringLiteral("DELETED")});
    addSample({QStringLiteral("F1"), QStringLiteral("ENTERED"), QStringLiteral("Jo Bloggs"), QStringLiteral("Corner Shop"),
               Today, QStringLiteral("T")});
    addSample({QStringLiteral("A1"), QStringLiteral("ENTERED"), QStringLiteral("Jo Bloggs"), QStringLiteral("Corner Shop"),
               Today, QStringLiteral("F"), QStringLiteral("ANIMAL FEED")});
    TSampleBrowserFrm *b = openBrowser();
    QCOMPARE(b->windowTitle(), QStringLiteral("Samples Browser"));
    QCOMPARE(b->objectName(), QStringLiteral("SampleBrowser"));
    QCOMPARE(b->TabCodes(), (QStringList{"ENTERED", "VALIDATED", "EXPORTED", "COMPLETE", "CANCELLED", "ALL"}));
    QCOMPARE(tabCaptions(b->tabStatus),
             (QStringList{"Entered", "Validated", "Exported", "Complete", "Cancelled", "All statuses"}));
    // Colours keep red in their low byte: 255 is red, 16711680 blue.
    QCOMPARE(b->findChild<QFrame *>(QStringLiteral("shpEXPORTED"))->palette().color(QPalette::Window), QColor(Qt::red));
    QCOMPARE(b->findChild<QFrame *>(QStringLiteral("shpCOMPLETE"))->palette().color(QPalette::Window), QColor(0, 128, 0));

    QCOMPARE(b->CurrentTabCode(), QStringLiteral("ENTERED"));
    QCOMPARE(listedCodes(*b), (QStringList{"E1", "E2"}));
    QVERIFY(!b->pnlFilter->isVisibleTo(b));
    QCOMPARE(b->pnlFooter->text(), QStringLiteral("Samples: 2"));
    QCOMPARE(b->qrySample->data(b->qrySample->groupIndex(0)).toString(), QStringLiteral("Officer: Jo Bloggs  (Samples: 2)"));
    b->SelectTab(QStringLiteral("ALL"));
    QCOMPARE(listedCodes(*b), (QStringList{"C1", "E1", "E2", "I1", "N1"}));
    QVERIFY(b->pnlFilter->isVisibleTo(b));
    QVERIFY(!b->grdSampleView->isColumnShown(QStringLiteral("MAPPED_OFFICER_NAME")));
    b->SelectTab(QStringLiteral("COMPLETE"));
    QCOMPARE(listedCodes(*b), QStringList{"C1"});
    QVERIFY(b->grdSampleView->isColumnShown(QStringLiteral("MAPPED_OFFICER_NAME")));
    QVERIFY(b->grdSampleView->isColumnShown(QStringLiteral("FLAG_SATISFACTORY")));
    // The mapped name is the live officer's, though a deleted row holds the same code.
    QCOMPARE(b->qrySample->value(rowOf(*b, QStringLiteral("C1")), QStringLiteral("MAPPED_OFFICER_NAME")).toString(),
             QStringLiteral("Jo Bloggs (mapped)"));

    // Opened again while open: the same form, its tabs and its tab kept.
    QCOMPARE(TBasefrm::CreateAndShow<TSampleBrowserFrm>(QStringLiteral("SampleBrowser"), &m_owner, false), b);
    QCOMPARE(b->tabStatus->count(), 6);
    QCOMPARE(b->CurrentTabCode(), QStringLiteral("COMPLETE"));
}

void TestSampleBrowser::filters_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("officer");  // empty: the All box stays ticked
    QTest::addColumn<QString>("premises"); // empty: the All box stays ticked
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<bool>("german");
    QTest::addColumn<QStringList>("codes");

    const QDate from(2024, 5, 1), to(2024, 5, 10);
    QTest::newRow("complete, dates include both ends") << "COMPLETE" << "" << "" << from << to << false
                                                        << QStringList{"C-FIRST", "C-LAST", "C-NEAR", "C-QUOTE"};
    QTest::newRow("all tab, dates") << "ALL" << "" << "" << from << to << false
                                    << QStringList{"C-FIRST", "C-LAST", "C-NEAR", "C-QUOTE", "E-IN"};
    QTest::newRow("officer with apostrophes, exactly") << "COMPLETE" << "Pat O'Neil's ''team''" << "" << from << to
                                                       << false << QStringList{"C-QUOTE"};
    QTest::newRow("premises with apostrophes, exactly") << "ALL" << "" << "Mc'Donald's" << from << to << false
                                                        << QStringList{"C-FIRST"};
    QTest::newRow("under a German locale") << "COMPLETE" << "Pat O'Neil's ''team''" << "" << from << to << true
                                           << QStringList{"C-QUOTE"};
    QTest::newRow("German locale, May dates") << "ALL" << "" << "" << QDate(2024, 5, 10) << QDate(2024, 5, 10) << true
                                              << QStringList{"C-LAST"};
    QTest::newRow("other tabs ignore the panel") << "ENTERED" << "Nobody" << "Nowhere" << QDate(2030, 1, 1)
                                                 << QDate(2030, 1, 2) << false << QStringList{"E-IN", "E-OUT"};
}

void TestSampleBrowser::filters()
{
    QFETCH(QString, tab);
    QFETCH(QString, officer);
    QFETCH(QString, premises);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(bool, german);
    QFETCH(QStringList, codes);
    const QLocale before;
    if (german)
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restoreLocale = qScopeGuard([before]() { QLocale::setDefault(before); });

    addSample({QStringLiteral("C-BEFORE"), QStringLiteral("COMPLETE"), QStringLiteral("Jo Bloggs"),
               QStringLiteral("Corner Shop"), QDate(2024, 4, 30)});
    addSample({QStringLiteral("C-FIRST"), QStringLiteral("COMPLETE"), QStringLiteral("Jo Bloggs"), QStringLiteral("Mc'Donald's"),
               QDate(2024, 5, 1)});
    addSample({QStringLiteral("C-LAST"), QStringLiteral("COMPLETE"), QStringLiteral("Jo Bloggs"), QStringLiteral("Corner Shop"),
               QDate(2024, 5, 10)});
    addSample({QStringLiteral("C-AFTER"), QStringLiteral("COMPLETE"), QStringLiteral("Jo Bloggs"),
               QStringLiteral("Corner Shop"), QDate(2024, 5, 11)});
    addSample({QStringLiteral("C-QUOTE"), QStringLiteral("COMPLETE"), QStringLiteral("Pat O'Neil's ''team''"),
               QStringLiteral("Corner Shop"), QDate(2024, 5, 5)});
    addSample({QStringLiteral("C-NEAR"), QStringLiteral("COMPLETE"), QStringLiteral("Pat O'Neil's 'team'"),
               QStringLiteral("Mc'Donald''s"), QDate(2024, 5, 5)});
    addSample({QStringLiteral("E-IN"), QStringLiteral("ENTERED"), QStringLiteral("Jo Bloggs"), QStringLiteral("Corner Shop"),
               QDate(2024, 5, 6)});
    addSample({QStringLiteral("E-OUT"), QStringLiteral("ENTERED"), QStringLiteral("Jo Bloggs"), QStringLiteral("Corner Shop"),
               QDate(2023, 1, 1)});
    // C-NEAR's officer and premises differ from the filters' by one apostrophe.

    TSampleBrowserFrm *b = openBrowser();
    b->dteStart->setDate(start);
    b->dteEnd->setDate(end);
    if (!officer.isEmpty()) {
        b->chkAllOfficers->setChecked(false);
        QVERIFY(b->cmbOfficer->isEnabled());
        QVERIFY(b->cmbOfficer->findText(QStringLiteral("Pat O'Neil's ''team''")) >= 0);
        b->cmbOfficer->setEditText(officer);
    }
    if (!premises.isEmpty()) {
        b->chkAllPremises->setChecked(false);
        b->cmbPremises->setEditText(premises);
    }
    b->SelectTab(tab);
    b->btnGo->click();
    QCOMPARE(listedCodes(*b), codes);
}

// The filter dates take what the officer types; one that cannot be read is shown for correction and
// the list stays as it was.
void TestSampleBrowser::typedFilterDates()
{
    for (const QDate &d : {QDate(2019, 12, 31), QDate(2020, 1, 1), QDate(2020, 1, 27)})
        addSample({QStringLiteral("C-") + d.toString(Qt::ISODate), QStringLiteral("COMPLETE"), QStringLiteral("Jo Bloggs"),
                   QStringLiteral("Corner Shop"), d});
    TSampleBrowserFrm *b = openBrowser();
    QApplication::setActiveWindow(b);
    QVERIFY(QTest::qWaitForWindowActive(b));
    b->SelectTab(QStringLiteral("COMPLETE"));
    const auto type = [](TzqcxDateEdit *edit, const char *keys) {
        edit->setFocus();
        QVERIFY(QTest::qWaitFor([edit]() { return edit->hasFocus(); }, 2000));
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(keys));
        QTest::keyClick(edit, Qt::Key_Tab);
    };
    type(b->dteStart, "01/01/2020");
    type(b->dteEnd, "1/1/20");
    QCOMPARE(b->dteStart->date(), QDate(2020, 1, 1));
    QCOMPARE(b->dteEnd->date(), QDate(2020, 1, 1));
    b->btnGo->click();
    QCOMPARE(listedCodes(*b), QStringList{QStringLiteral("C-2020-01-01")});

    type(b->dteEnd, "32/01/2020");
    QCOMPARE(b->dteEnd->text(), QStringLiteral("32/01/2020"));
    b->btnGo->click();
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error), QStringList{b->dteEnd->EntryProblem()});
    QVERIFY(b->dteEnd->EntryProblem().startsWith(QStringLiteral("'32/01/2020' is not a date")));
    QCOMPARE(b->dteEnd->text(), QStringLiteral("32/01/2020"));
    QCOMPARE(listedCodes(*b), QStringList{QStringLiteral("C-2020-01-01")});
}

void TestSampleBrowser::resultsPaneFollowsTheRestingRow()
{
    DataTable results(ResultBlobs::resultFields());
    for (const char *substance : {"Lead", "Cadmium"}) {
        const int r = results.appendRow();
        results.setValue(r, QStringLiteral("SUBSTANCE"), QLatin1String(substance));
        results.setValue(r, QStringLiteral("OUTPUT"), QStringLiteral("0.08"));
    }
    DataTable outcomes(ResultBlobs::outcomeFields());
    outcomes.appendRow({QStringLiteral("1"), QStringLiteral("U1"), QStringLiteral("Unsatisfactory")});
    addSample({QStringLiteral("C1"), QStringLiteral("COMPLETE")},
              {{"CDS_LABORATORY_RESULTS", ResultBlobs::writeResults(results)},
               {"CDS_OUTCOMES", ResultBlobs::writeOutcomes(outcomes)},
               {"LABORATORY_COMMENTS", QStringLiteral("Lead above the limit.")}});
    addSample({QStringLiteral("C2"), QStringLiteral("COMPLETE")});
    addSample({QStringLiteral("C3"), QStringLiteral("COMPLETE")},
              {{"CDS_LABORATORY_RESULTS", QByteArray("not a packet")}, {"CDS_OUTCOMES", QStringLiteral("garbage")}});
    TSampleBrowserFrm *b = openBrowser();
    b->dteStart->setDate(QDate(2000, 1, 1));
    b->SelectTab(QStringLiteral("COMPLETE"));
    QVERIFY(b->splMain->widget(1)->isVisibleTo(b));
    listedCodes(*b);

    makeCurrent(*b, QStringLiteral("C1"));
    QVERIFY(b->timerRefreshChildDatasets->isActive());
    QCOMPARE(b->timerRefreshChildDatasets->interval(), 300);
    QTRY_COMPARE(b->memResults->rowCount(), 2);
    QCOMPARE(b->memOutcomes->rowCount(), 1);
    QCOMPARE(b->memOutcomes->table().value(0, QStringLiteral("FAILCODE_DESCRIPTION")).toString(), QStringLiteral("Unsatisfactory"));
    QCOMPARE(b->memLabComments->toPlainText(), QStringLiteral("Lead above the limit."));
    QVERIFY(!b->grdResults->isColumnHidden(b->memResults->table().indexOf(QStringLiteral("SUBSTANCE"))));
    QVERIFY(b->grdResults->isColumnHidden(b->memResults->table().indexOf(QStringLiteral("BATCH_NUMBER"))));
    QCOMPARE(b->memResults->headerData(b->memResults->table().indexOf(QStringLiteral("LAB_UNIT")), Qt::Horizontal).toString(),
             QStringLiteral("Units"));

    // Passing over rows loads nothing; resting on one without results empties the pane.
    makeCurrent(*b, QStringLiteral("C3"));
    makeCurrent(*b, QStringLiteral("C2"));
    QCOMPARE(b->memResults->rowCount(), 2);
    QTRY_COMPARE(b->memResults->rowCount(), 0);
    QCOMPARE(b->memOutcomes->rowCount(), 0);
    QVERIFY(b->memLabComments->toPlainText().isEmpty());
    QVERIFY(!b->lblPaneProblem->isVisibleTo(b));

    // Blobs that cannot be read say so in the pane, without a message box.
    makeCurrent(*b, QStringLiteral("C3"));
    QTRY_VERIFY(b->lblPaneProblem->isVisibleTo(b));
    QVERIFY2(b->lblPaneProblem->text().contains(QStringLiteral("The laboratory results of this sample cannot be shown: laboratory results:")),
             qPrintable(b->lblPaneProblem->text()));
    QVERIFY(b->lblPaneProblem->text().contains(QStringLiteral("The outcomes of this sample cannot be shown: outcomes: line 1")));
    QCOMPARE(b->memResults->rowCount(), 0);
    QVERIFY(m_prompter.calls().isEmpty());

    // Other tabs have no pane.
    b->SelectTab(QStringLiteral("ALL"));
    QVERIFY(!b->splMain->widget(1)->isVisibleTo(b));
}

// A pass gives a sample recorded here the server's number: the officer still has it chosen, and
// every action on the selection or the current row acts on it.
void TestSampleBrowser::aSampleRenumberedByAPassStaysChosen()
{
    const QString r1 = addSample({QStringLiteral("R1")});
    const QString r2 = addSample({QStringLiteral("R2")});
    const QString r3 = addSample({QStringLiteral("R3")});
    const auto renumber = [this](const QString &uuid, qint64 id) {
        m_store->db.exec(QStringLiteral("UPDATE SAMPLE SET ID = ? WHERE UNIQUE_UUID = ?"), {id, uuid});
    };
    QTemporaryDir pdfs;
    PdfFileOutput output(pdfs.path());
    const ScopedReportOutput scope(&output);
    TSampleBrowserFrm *b = openBrowser();
    listedCodes(*b);
    const int code = b->qrySample->columnIndex(QStringLiteral("CODE"));
    QTest::mouseClick(b->grdSampleView->viewport(), Qt::LeftButton, Qt::NoModifier,
                      b->grdSampleView->visualRect(rowOf(*b, QStringLiteral("R2")).siblingAtColumn(code)).center());
    QCOMPARE(uuids(b->SelectedSamples()), QStringList{r2});

    renumber(r2, 9002);
    QCOMPARE(uuids(b->SelectedSamples()), QStringList{r2});
    b->actPrintSample->trigger();
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join(QLatin1Char('\n'))));
    QCOMPARE(output.files().size(), 1);
    QVERIFY(ReportTools::pdfText(output.files().first()).contains(QStringLiteral("Food of R2")));

    // Read again, the list has it last: it is still the current and the selected row.
    b->RefreshData();
    QCOMPARE(b->CurrentCode(), QStringLiteral("R2"));
    QVERIFY(b->actDeleteSelected->isEnabled());
    QCOMPARE(uuids(b->SelectedSamples()), QStringList{r2});
    QVERIFY(b->grdSampleView->selectionModel()->isRowSelected(rowOf(*b, QStringLiteral("R2")).row(),
                                                              rowOf(*b, QStringLiteral("R2")).parent()));

    // Every row but one: the one taken out stays out once renumbered.
    b->btnSelectAll->click();
    const QModelIndex third = rowOf(*b, QStringLiteral("R3")).siblingAtColumn(code);
    QTest::mouseClick(b->grdSampleView->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      b->grdSampleView->visualRect(third).center());
    renumber(r3, 9003);
    QCOMPARE(uuids(b->SelectedSamples()), (QStringList{r1, r2}));
}

// A refresh (after an edit, a cancel) leaves the grid scrolled sideways where the user left it,
// on the same row; End and Home reach the last and the first row at once, and the rows between
// are read as the user comes up to them.
void TestSampleBrowser::theGridStaysWhereTheUserLeftIt()
{
    for (int i = 1; i <= 300; ++i)
        addSample({QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0'))});
    TSampleBrowserFrm *b = openBrowser();
    b->resize(900, 600);
    GroupedGridModel *m = b->qrySample;
    GroupedGridView *grid = b->grdSampleView;
    QTRY_VERIFY(m->countsKnown());
    QScrollBar *sideways = grid->horizontalScrollBar();
    QVERIFY(sideways->maximum() > 100);
    makeCurrent(*b, QStringLiteral("S250"));
    sideways->setValue(sideways->maximum() / 3);
    const int left = sideways->value();
    b->RefreshData();
    QCOMPARE(sideways->value(), left);
    QCOMPARE(b->CurrentCode(), QStringLiteral("S250"));
    // Scrolled sideways, the rows are painted again whole: a group row's text keeps to the left
    // edge, and a copy of it moved with the pixels would stay beside the new one.
    QTest::qWait(50);
    PaintedRegion painted(grid->viewport());
    sideways->setValue(left + 40);
    QTRY_VERIFY(painted.region.boundingRect().width() >= grid->viewport()->width());

    // Newest first: S001 is the list's last row, read with one page.
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(b->CurrentCode(), QStringLiteral("S001"));
    QVERIFY(TSampleBrowserFrm::RuleAllows(b->actShowEditSample));
    QVERIFY(b->actDeleteSelected->isEnabled());
    QCOMPARE(m->rowsRead(0), ListPage);
    // Up from the first row read reads the rows above it.
    grid->setCurrentIndex(m->index(0, m->columnIndex(QStringLiteral("CODE")), m->groupIndex(0)));
    QCOMPARE(b->CurrentCode(), QStringLiteral("S100"));
    QTest::keyClick(grid, Qt::Key_Up);
    QCOMPARE(b->CurrentCode(), QStringLiteral("S101"));
    QCOMPARE(m->rowsRead(0), 2 * ListPage);
    // A refresh keeps the stretch read around the current row.
    b->RefreshData();
    QCOMPARE(b->CurrentCode(), QStringLiteral("S101"));
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(b->CurrentCode(), QStringLiteral("S300"));
    QVERIFY(b->actDeleteSelected->isEnabled());
}

void TestSampleBrowser::sortingAndTheLayoutKeptInOnePlace()
{
    addSample({QStringLiteral("B2")}, {{"LA_SAMPLENO", QStringLiteral("3")}});
    addSample({QStringLiteral("A9")}, {{"LA_SAMPLENO", QStringLiteral("1")}});
    addSample({QStringLiteral("C1")}, {{"LA_SAMPLENO", QStringLiteral("2")}});
    TSampleBrowserFrm *b = openBrowser();
    GroupedGridModel *m = b->qrySample;
    const auto order = [m]() {
        QStringList codes;
        for (int r = 0; r < m->rowsRead(0); ++r)
            codes << m->value(m->index(r, 0, m->groupIndex(0)), QStringLiteral("CODE")).toString();
        return codes;
    };
    QCOMPARE(order(), (QStringList{"C1", "A9", "B2"})); // newest first
    QHeaderView *h = b->grdSampleView->header();
    const int code = m->columnIndex(QStringLiteral("CODE"));
    h->sectionClicked(code);
    QCOMPARE(order(), (QStringList{"A9", "B2", "C1"}));
    h->sectionClicked(code);
    QCOMPARE(order(), (QStringList{"C1", "B2", "A9"}));
    // The swatch orders nothing.
    h->sectionClicked(m->columnIndex(QStringLiteral("COLOUR")));
    QCOMPARE(order(), (QStringList{"C1", "B2", "A9"}));

    // What the user arranged is one value, and comes back whole.
    GridViewLayout arranged = b->grdSampleView->layout();
    QCOMPARE(arranged.groups, QStringList{QStringLiteral("SAMPLE_OFFICER_NAME")});
    QCOMPARE(arranged.sort.size(), 1);
    b->grdSampleView->setColumnVisible(QStringLiteral("BUSINESS_POSTCODE"), true);
    h->moveSection(h->visualIndex(m->columnIndex(QStringLiteral("PREMISES_NAME"))), 1);
    h->resizeSection(m->columnIndex(QStringLiteral("CODE")), 222);
    const GridViewLayout changed = b->grdSampleView->layout();
    QVERIFY(!(changed == arranged));
    QCOMPARE(changed.columns.at(1).field, QStringLiteral("PREMISES_NAME"));
    b->grdSampleView->applyLayout(arranged);
    QVERIFY(!b->grdSampleView->isColumnShown(QStringLiteral("BUSINESS_POSTCODE")));
    b->grdSampleView->applyLayout(changed);
    QCOMPARE(b->grdSampleView->layout(), changed);
    QCOMPARE(h->sectionSize(code), 222);
}

void TestSampleBrowser::layoutsAndExcelGoThroughTheLayoutStore()
{
    // More rows than a group reads in one page, in two groups.
    for (int i = 0; i < 130; ++i)
        addSample({QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("ENTERED"),
                   i % 10 == 9 ? QStringLiteral("Pat O'Neil") : QStringLiteral("Jo Bloggs")});
    TSampleBrowserFrm *b = openBrowser();
    // Before the program has made the layout store they cannot be used.
    for (QAction *a : {b->actStoreGridLayout, b->actRestoreSavedLayout, b->actSaveToExcel}) {
        QVERIFY(!a->isEnabled());
        QCOMPARE(a->toolTip(), TSampleBrowserFrm::NotAvailableText());
    }
    delete b;

    const QSqlDatabase main = m_store->main;
    TGridViewStorageDm storage([main]() { return main; });
    GridViewStorageDm = &storage;
    b = openBrowser();
    b->SelectTab(QStringLiteral("ENTERED"));
    for (QAction *a : {b->actStoreGridLayout, b->actRestoreSavedLayout, b->actSaveToExcel})
        QVERIFY(a->isEnabled());
    GroupedGridModel *m = b->qrySample;
    QHeaderView *h = b->grdSampleView->header();

    // Premises first and wide, the postcode shown, newest code first: kept under a name.
    h->moveSection(h->visualIndex(m->columnIndex(QStringLiteral("PREMISES_NAME"))), 0);
    h->resizeSection(m->columnIndex(QStringLiteral("PREMISES_NAME")), 240);
    b->grdSampleView->setColumnVisible(QStringLiteral("BUSINESS_POSTCODE"), true);
    h->sectionClicked(m->columnIndex(QStringLiteral("CODE")));
    h->sectionClicked(m->columnIndex(QStringLiteral("CODE")));
    const GridViewLayout kept = b->grdSampleView->layout();
    m_prompter.queueText(QStringLiteral("Premises first"));
    b->actStoreGridLayout->trigger();
    QVERIFY2(m_prompter.texts(Prompter::Kind::Error).isEmpty(), qPrintable(m_prompter.texts().join('\n')));
    delete b;

    // A browser opened again starts as the form lays it out, and takes the kept layout back whole.
    b = openBrowser();
    b->SelectTab(QStringLiteral("ENTERED"));
    m = b->qrySample;
    QVERIFY(!b->grdSampleView->isColumnShown(QStringLiteral("BUSINESS_POSTCODE")));
    const qint64 id = m_store->db.scalar(QStringLiteral("SELECT ID FROM SYS_GRID_VIEW WHERE FORM_NAME = 'SampleBrowser' "
                                                        "AND VIEW_NAME = 'grdSampleView' AND DESCRIPTION = 'Premises first'"))
                          .toLongLong();
    QVERIFY(id > 0);
    storage.ApplyStoredView(id, b->GridLayoutView());
    QCOMPARE(b->grdSampleView->layout(), kept);
    QCOMPARE(b->grdSampleView->header()->sectionSize(m->columnIndex(QStringLiteral("PREMISES_NAME"))), 240);
    QCOMPARE(m->groupColumn(), QStringLiteral("SAMPLE_OFFICER_NAME"));
    QCOMPARE(m->value(m->index(0, 0, m->groupIndex(0)), QStringLiteral("CODE")).toString(), QStringLiteral("S128"));

    // The Excel file holds every sample of the list under its officer, in the grid's order and
    // columns, though the grid read one page of each group.
    QVERIFY(QTest::qWaitFor([m]() { return m->countsKnown(); }, 10000));
    QCOMPARE(m->groupRowCount(0), 117);
    QVERIFY(m->rowsRead(0) < 117);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("samples.xlsx"));
    storage.SetExcelFileAsker([file]() { return file; });
    m_prompter.clear();
    b->actSaveToExcel->trigger();
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join('\n')));
    const QString sheet = QString::fromUtf8(zipEntry(file, QStringLiteral("xl/worksheets/sheet1.xml")));
    QCOMPARE(sheet.count(QStringLiteral("<row ")), 1 + 2 + 130);
    // The columns the officer sees, each under its caption: not the status colour behind the
    // swatch.
    const qsizetype headerEnd = sheet.indexOf(QStringLiteral("</row>"));
    QStringList captions;
    static const QRegularExpression text(QStringLiteral("<t[^>]*>([^<]*)</t>|<t/>"));
    for (const QRegularExpressionMatch &t : text.globalMatch(sheet.left(headerEnd)))
        captions << t.captured(1);
    QCOMPARE(captions.mid(0, 4), (QStringList{"Premises name", "Status", "Code", "Local Authority Sample Number"}));
    QVERIFY(!captions.contains(QString()));
    QVERIFY(!sheet.contains(QStringLiteral(">16776960<")));
    const qsizetype jo = sheet.indexOf(QStringLiteral("Officer: Jo Bloggs"));
    const qsizetype pat = sheet.indexOf(QStringLiteral("Officer: Pat O"));
    QVERIFY(jo >= 0 && pat > jo);
    QVERIFY(sheet.indexOf(QStringLiteral("S128")) > jo && sheet.indexOf(QStringLiteral("S128")) < sheet.indexOf(QStringLiteral("S000")));
    QVERIFY(sheet.indexOf(QStringLiteral("S129")) > pat);
    GridViewStorageDm = nullptr;
}

void TestSampleBrowser::anotherPersonalityIsAProfileOfTheSameForm()
{
    addSample({QStringLiteral("F1"), QStringLiteral("COMPLETE"), QStringLiteral("Jo Bloggs"), QStringLiteral("Farm Shop"),
               Today.addDays(-3), QStringLiteral("T"), QStringLiteral("ANIMAL FEED")});
    addSample({QStringLiteral("F2"), QStringLiteral("DELETED"), QStringLiteral("Jo Bloggs"), QStringLiteral("Farm Shop"),
               Today.addDays(-3), QStringLiteral("F"), QStringLiteral("ANIMAL FEED")});
    addSample({QStringLiteral("C1"), QStringLiteral("COMPLETE")});
    m_store->db.exec(QStringLiteral("INSERT INTO OUTCOME (SAMPLE__CODE, FAIL_CODE_2, FAIL_GROUP, DETAILS) VALUES "
                                    "('F1', 'X2', 'Labelling', 'Label lacks the feed''s species')"));
    SampleBrowserConfig feed = SampleBrowserConfig::food();
    feed.personality = QStringLiteral("ANIMAL FEED");
    feed.listsDeletedSamples = true;
    feed.outcomes = SampleBrowserConfig::OutcomeSource::OutcomeTable;
    feed.outcomeColumns = {{QStringLiteral("UNIQUE_ID"), QString(), GridColumnDef::Text, false},
                           {QStringLiteral("FAIL_CODE_2"), QStringLiteral("Code")},
                           {QStringLiteral("FAIL_GROUP"), QStringLiteral("Group")},
                           {QStringLiteral("DETAILS"), QStringLiteral("Details")}};
    feed.absentActions = {QStringLiteral("actMailMergeSamples")};
    std::unique_ptr<ProfiledBrowser> b = std::make_unique<ProfiledBrowser>(&m_owner, feed);
    b->FormCreate();
    b->InitialiseDefaults(std::make_unique<TDefaultInfo>());
    b->dteStart->setDate(QDate(2000, 1, 1));

    // Its own samples, deleted ones included on the All tab; its outcomes from their own table.
    b->SelectTab(QStringLiteral("ALL"));
    QCOMPARE(listedCodes(*b), (QStringList{"F1", "F2"}));
    b->SelectTab(QStringLiteral("COMPLETE"));
    QCOMPARE(listedCodes(*b), QStringList{"F1"});
    makeCurrent(*b, QStringLiteral("F1"));
    QTRY_COMPARE(b->memOutcomes->rowCount(), 1);
    QCOMPARE(b->memOutcomes->table().value(0, QStringLiteral("DETAILS")).toString(), QStringLiteral("Label lacks the feed's species"));
    QVERIFY(b->grdOutcomes->isColumnHidden(b->memOutcomes->table().indexOf(QStringLiteral("UNIQUE_ID"))));
    QCOMPARE(b->memOutcomes->headerData(b->memOutcomes->table().indexOf(QStringLiteral("FAIL_GROUP")), Qt::Horizontal).toString(),
             QStringLiteral("Group"));
    QVERIFY(!b->lblPaneProblem->isVisibleTo(b.get()));

    // What it does not offer is not there.
    QVERIFY(!b->actMailMergeSamples->isVisible());
    QVERIFY(!b->findChild<QWidget *>(QStringLiteral("btnMailMergeSamples")));
    QVERIFY(b->findChild<QWidget *>(QStringLiteral("btnPrintReport")));
}

QTEST_MAIN(TestSampleBrowser)
#include "tst_samplebrowser.moc"
