#include "reports/ui/ReportPreview.h"

#include "reports/ReportDocument.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>

static void initReportResources()
{
    Q_INIT_RESOURCE(reports);
}

namespace {

ReportDocument builtIn(const QString &name)
{
    initReportResources();
    QFile file(QStringLiteral(":/reports/%1.xml").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("no built-in report");
    ReportData data;
    data.samples = DataTable({{QStringLiteral("CODE"), FieldType::String, 0, 0, true}});
    const ReportDefinition definition = ReportDefinition::read(file.readAll(), file.fileName());
    for (const ReportBand &band : definition.bands)
        for (const ReportItem &item : band.items)
            for (const QString &column : item.parts + QStringList{item.name})
                if (item.kind != ItemKind::Value && !column.isEmpty() && data.samples.indexOf(column) < 0)
                    data.samples.addField({column, FieldType::String, 0, 0, false});
    QVariantList row;
    for (const FieldDef &f : data.samples.fields())
        row << (f.name == QLatin1String("CODE") ? QStringLiteral("DEMO0990001") : QStringLiteral("Demo ") + f.name.toLower());
    data.samples.appendRow(row);
    data.results.append(DataTable(data.samples.fields()));
    data.outcomes.append(DataTable(data.samples.fields()));
    return ReportDocument(definition, data);
}

} // namespace

class TestReportPreview : public QObject
{
    Q_OBJECT
private slots:
    void missingLabelPrinterIsNamed();
    void formsNameNoPrinter();
    void saveAsPdfWritesTheReport();
};

void TestReportPreview::missingLabelPrinterIsNamed()
{
    if (QPrinterInfo::availablePrinterNames().contains(QStringLiteral("Smart Label Printer 200 & 420")))
        QSKIP("the label printer is installed here");
    const ReportDocument label = builtIn(QStringLiteral("Label"));
    ReportPreviewDialog dialog(label);
    QVERIFY2(dialog.notice().startsWith(QStringLiteral("The label printer \"Smart Label Printer 200 & 420\" is not installed: "
                                                       "the labels print on the default printer")),
             qPrintable(dialog.notice()));
    QVERIFY(dialog.notice().endsWith(QLatin1String("at label size, 102 x 54 mm.")));
    auto *shown = dialog.findChild<QLabel *>(QStringLiteral("lblPrinterNotice"));
    QVERIFY(shown);
    QCOMPARE(shown->text(), dialog.notice());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(shown->isVisible());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Sample label - Varnex Desktop"));
}

void TestReportPreview::formsNameNoPrinter()
{
    const ReportDocument form = builtIn(QStringLiteral("FoodForm"));
    ReportPreviewDialog dialog(form);
    QVERIFY(dialog.notice().isEmpty());
    QVERIFY(!dialog.findChild<QLabel *>(QStringLiteral("lblPrinterNotice")));
}

void TestReportPreview::saveAsPdfWritesTheReport()
{
    const ReportDocument form = builtIn(QStringLiteral("FoodForm"));
    ReportPreviewDialog dialog(form);
    QAction *save = dialog.findChild<QAction *>(QStringLiteral("actSaveAsPdf"));
    QVERIFY(save);
    QTemporaryDir dir;
    QString suggested;
    QString chosen;
    dialog.setFileChooser([&](const QString &s) {
        suggested = s;
        return chosen;
    });
    QVERIFY(!dialog.saveAsPdf()); // cancelled
    QVERIFY(suggested.endsWith(QLatin1String("/Food sample submission form.pdf")));
    chosen = dir.filePath(QStringLiteral("form.pdf"));
    save->trigger();
    QVERIFY(readAll(chosen).startsWith("%PDF-"));
}

QTEST_MAIN(TestReportPreview)
#include "tst_reportpreview.moc"
