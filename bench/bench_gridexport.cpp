// Saving a grid as an Excel workbook: the program's export (records from a source, typed cells,
// written under a temporary name and renamed) against writing the same cells straight with
// libxlsxwriter in constant-memory mode, in the same run; and the export's peak memory.
//
//   bench_gridexport [rows] [columns]     (defaults 100000 and 20)
//
// The records are made as they are read, so the figures are the writer's alone.

#include "PeakMemory.h"
#include "layouts/GridExcelExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cstdio>

namespace {

// The type of each column, in turn: text, whole numbers, decimals, dates, time stamps, flags.
FieldType typeOf(int column)
{
    static const FieldType cycle[] = {FieldType::String,  FieldType::Int32, FieldType::String, FieldType::Decimal,
                                      FieldType::Date,    FieldType::String, FieldType::Timestamp, FieldType::Int64,
                                      FieldType::String,  FieldType::Boolean};
    return cycle[column % 10];
}

// The value of a cell, the same in both runs.
QVariant valueAt(qint64 row, int column)
{
    const QDate day = QDate(2020, 1, 1).addDays(row % 1500);
    switch (typeOf(column)) {
    case FieldType::String:
        return QStringLiteral("Row %1 text %2").arg(row).arg(column);
    case FieldType::Int32:
    case FieldType::Int64:
        return row * 7 + column;
    case FieldType::Decimal:
        return QString::number(double(row % 10000) / 100.0, 'f', 2);
    case FieldType::Date:
        return day;
    case FieldType::Timestamp:
        return QDateTime(day, QTime(int(row % 24), int(row % 60)));
    case FieldType::Boolean:
        return row % 2 == 0;
    default:
        return {};
    }
}

class GeneratedSource : public IGridExportSource
{
public:
    GeneratedSource(qint64 rows, int columns) : m_rows(rows), m_columns(columns) {}
    QList<GridExportColumn> Columns() const override
    {
        QList<GridExportColumn> out;
        for (int c = 0; c < m_columns; ++c)
            out.append({QStringLiteral("Column %1").arg(c), typeOf(c), 2, 100});
        return out;
    }
    QStringList GroupCaptions() const override { return {}; }
    qint64 RecordCountHint() const override { return m_rows; }
    bool NextRecord(QVariantList &groupValues, QVariantList &cells) override
    {
        if (m_next >= m_rows)
            return false;
        groupValues.clear();
        cells.clear();
        for (int c = 0; c < m_columns; ++c)
            cells.append(valueAt(m_next, c));
        ++m_next;
        return true;
    }

private:
    qint64 m_rows;
    int m_columns;
    qint64 m_next = 0;
};

// The same cells straight through libxlsxwriter, with the same formats.
void writeDirect(const QString &fileName, qint64 rows, int columns)
{
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(QFile::encodeName(fileName).constData(), &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format *date = workbook_add_format(book);
    format_set_num_format(date, "dd/mm/yyyy");
    lxw_format *stamp = workbook_add_format(book);
    format_set_num_format(stamp, "dd/mm/yyyy hh:mm:ss");
    for (int c = 0; c < columns; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), QStringLiteral("Column %1").arg(c).toUtf8().constData(), bold);
    for (qint64 r = 0; r < rows; ++r) {
        const lxw_row_t row = lxw_row_t(r + 1);
        for (int c = 0; c < columns; ++c) {
            const QVariant v = valueAt(r, c);
            switch (typeOf(c)) {
            case FieldType::String:
                worksheet_write_string(sheet, row, lxw_col_t(c), v.toString().toUtf8().constData(), nullptr);
                break;
            case FieldType::Date:
            case FieldType::Timestamp: {
                const QDateTime dt = v.typeId() == QMetaType::QDate ? QDateTime(v.toDate(), QTime(0, 0)) : v.toDateTime();
                lxw_datetime when = {dt.date().year(), dt.date().month(), dt.date().day(),
                                     dt.time().hour(), dt.time().minute(), double(dt.time().second())};
                worksheet_write_datetime(sheet, row, lxw_col_t(c), &when, typeOf(c) == FieldType::Date ? date : stamp);
                break;
            }
            case FieldType::Boolean:
                worksheet_write_boolean(sheet, row, lxw_col_t(c), v.toBool(), nullptr);
                break;
            default:
                worksheet_write_number(sheet, row, lxw_col_t(c), v.toDouble(), nullptr);
                break;
            }
        }
    }
    workbook_close(book);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 rows = args.size() > 1 ? args.at(1).toLongLong() : 100000;
    const int columns = args.size() > 2 ? args.at(2).toInt() : 20;
    QTemporaryDir dir;

    // The straight writer first: it sets the bar the export is held to.
    QElapsedTimer timer;
    timer.start();
    writeDirect(dir.filePath(QStringLiteral("direct.xlsx")), rows, columns);
    const double directSeconds = timer.nsecsElapsed() / 1e9;

    PeakMemory peak;
    peak.start();
    timer.restart();
    GeneratedSource source(rows, columns);
    GridExcelExport::Save(dir.filePath(QStringLiteral("export.xlsx")), source);
    const double exportSeconds = timer.nsecsElapsed() / 1e9;
    const long exportPeak = peak.peakKiB();
    const long exportGrowth = peak.growthKiB();

    const double exportRate = rows / exportSeconds;
    const double directRate = rows / directSeconds;
    const double ratio = exportSeconds / directSeconds;
    std::printf("%lld rows x %d columns\n", static_cast<long long>(rows), columns);
    std::printf("export:   %.2f s, %.0f rows/s, file %lld KiB, peak %ld KiB (%ld KiB above the start)\n", exportSeconds,
                exportRate, static_cast<long long>(QFileInfo(dir.filePath(QStringLiteral("export.xlsx"))).size() / 1024),
                exportPeak, exportGrowth);
    std::printf("straight: %.2f s, %.0f rows/s, file %lld KiB\n", directSeconds, directRate,
                static_cast<long long>(QFileInfo(dir.filePath(QStringLiteral("direct.xlsx"))).size() / 1024));
    std::printf("export takes %.2f times as long as the straight writer\n", ratio);
    std::printf("rows=%lld columns=%d export_rows_per_s=%.0f direct_rows_per_s=%.0f export_to_direct=%.2f "
                "export_peak_kib=%ld export_peak_growth_kib=%ld\n",
                static_cast<long long>(rows), columns, exportRate, directRate, ratio, exportPeak, exportGrowth);
    return 0;
}
