// The report definition reader: any bytes are either read as a definition or refused with the
// file, the line and the fault; a definition read fills with a sample and draws without failing.
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "reports/ReportDefinition.h"
#include "reports/ReportDocument.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>

#include <cstdint>

namespace {

// The drawing needs fonts, and so an application object; one without a screen.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz_reportdefinition";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}

// One sample with a result and an outcome row, with a text in every column the definition names
// (so that every band is drawn); CODE holds a code a bar code carries.
ReportData oneSample(const ReportDefinition &definition)
{
    DataTable table({{QStringLiteral("CODE"), FieldType::String, 0, 0, true}});
    for (const ReportBand &band : definition.bands)
        for (const ReportItem &item : band.items)
            for (const QString &name : item.parts + QStringList{item.name})
                if (!name.isEmpty() && table.indexOf(name) < 0 && item.kind != ItemKind::Value)
                    table.addField({name, FieldType::String, 0, 0, false});
    QVariantList row;
    for (const FieldDef &f : table.fields())
        row << (f.name == QLatin1String("CODE") ? QStringLiteral("DEMO0990001") : QStringLiteral("Text of ") + f.name);
    table.appendRow(row);
    ReportData data;
    data.samples = table;
    data.results.append(table);
    data.outcomes.append(table);
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    std::optional<ReportDefinition> definition;
    try {
        definition = ReportDefinition::read(bytes, QStringLiteral("Reports/Label.fr3"));
    } catch (const ReportDefinitionError &e) {
        FUZZ_CHECK(e.fileName() == QStringLiteral("Reports/Label.fr3"));
        FUZZ_CHECK(e.line() >= 0 && !e.fault().isEmpty());
        return 0;
    }
    FUZZ_CHECK(!definition->bands.isEmpty() && !definition->fonts.isEmpty());
    try {
        const ReportDocument document(*definition, oneSample(*definition));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        FUZZ_CHECK(document.render(writer) >= 1);
    } catch (const VarnexError &e) {
        // A bar code of a column that holds no code.
        FUZZ_CHECK(!e.message().isEmpty());
    }
    return 0;
}
