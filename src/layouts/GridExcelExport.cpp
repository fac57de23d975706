#include "layouts/GridExcelExport.h"

#include "base/AtomicFile.h"
#include "base/VarnexError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

#include <cmath>
#include <memory>

namespace {

// The outline has seven levels.
constexpr int MaxOutlineLevel = 7;

QString describe(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

// Days since Excel's epoch; Excel counts 29 February 1900, so later dates are one day further.
// Invalid (nothing to write as a date) before 1 January 1900.
std::optional<double> excelSerial(const QDate &date, const QTime &time)
{
    if (!date.isValid() || date < QDate(1900, 1, 1))
        return std::nullopt;
    const QDate epoch = date < QDate(1900, 3, 1) ? QDate(1899, 12, 31) : QDate(1899, 12, 30);
    const double fraction = time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
    return double(epoch.daysTo(date)) + fraction;
}

class Workbook
{
public:
    explicit Workbook(const QString &fileName)
    {
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        const QByteArray tmp = QFile::encodeName(QDir::tempPath());
        options.tmpdir = const_cast<char *>(tmp.constData());
        m_book = workbook_new_opt(QFile::encodeName(fileName).constData(), &options);
        if (!m_book)
            throw VarnexError(QStringLiteral("The workbook cannot be created."));
        m_sheet = workbook_add_worksheet(m_book, nullptr);
        m_header = workbook_add_format(m_book);
        format_set_bold(m_header);
        m_group = workbook_add_format(m_book);
        format_set_bold(m_group);
        m_date = workbook_add_format(m_book);
        format_set_num_format(m_date, "dd/mm/yyyy");
        m_time = workbook_add_format(m_book);
        format_set_num_format(m_time, "hh:mm:ss");
        m_timestamp = workbook_add_format(m_book);
        format_set_num_format(m_timestamp, "dd/mm/yyyy hh:mm:ss");
        if (!m_sheet || !m_header || !m_group || !m_date || !m_time || !m_timestamp)
            throw VarnexError(QStringLiteral("The workbook cannot be created."));
    }
    ~Workbook()
    {
        // A workbook given up is freed without being written.
        if (m_book)
            lxw_workbook_free(m_book);
    }

    void setColumn(int column, int widthPixels)
    {
        // Excel's width is in characters of its default font, about seven pixels each.
        const double width = widthPixels > 0 ? qBound(4.0, widthPixels / 7.0, 100.0) : LXW_DEF_COL_WIDTH;
        check(worksheet_set_column(m_sheet, lxw_col_t(column), lxw_col_t(column), width, nullptr));
    }
    void header(const QList<GridExportColumn> &columns)
    {
        for (int c = 0; c < columns.size(); ++c)
            writeText(0, c, columns.at(c).caption, m_header);
        worksheet_freeze_panes(m_sheet, 1, 0);
    }
    void outline(qint64 row, int level)
    {
        if (level <= 0)
            return;
        lxw_row_col_options options = {};
        options.level = uint8_t(qMin(level, MaxOutlineLevel));
        check(worksheet_set_row_opt(m_sheet, lxw_row_t(row), LXW_DEF_ROW_HEIGHT, nullptr, &options));
    }
    void groupHeading(qint64 row, const QString &text) { writeText(row, 0, text, m_group); }
    void cell(qint64 row, int column, const GridExportColumn &type, const QVariant &value)
    {
        if (!value.isValid() || value.isNull())
            return;
        switch (type.type) {
        case FieldType::Int16:
        case FieldType::Int32:
        case FieldType::Int64:
        case FieldType::Float:
        case FieldType::Decimal: {
            bool ok = false;
            const double number = value.toDouble(&ok);
            if (ok && std::isfinite(number))
                check(worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), number, nullptr));
            else
                writeText(row, column, value.toString(), nullptr);
            return;
        }
        case FieldType::Date:
            writeSerial(row, column, value.toDate(), QTime(), m_date, value.toDate().toString(QStringLiteral("dd/MM/yyyy")));
            return;
        case FieldType::Time: {
            const QTime t = value.toTime();
            check(worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), t.msecsSinceStartOfDay() / 86400000.0,
                                         m_time));
            return;
        }
        case FieldType::Timestamp: {
            const QDateTime dt = value.toDateTime();
            writeSerial(row, column, dt.date(), dt.time(), m_timestamp,
                        dt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
            return;
        }
        case FieldType::Boolean:
            check(worksheet_write_boolean(m_sheet, lxw_row_t(row), lxw_col_t(column), value.toBool() ? 1 : 0, nullptr));
            return;
        case FieldType::Blob:
            return; // pictures and packets have no cell form
        case FieldType::String:
        case FieldType::Memo:
            writeText(row, column, value.toString(), nullptr);
            return;
        }
    }
    // Writes the file; afterwards the workbook is gone.
    void close()
    {
        lxw_workbook *book = m_book;
        m_book = nullptr;
        check(workbook_close(book));
    }

private:
    void writeSerial(qint64 row, int column, const QDate &date, const QTime &time, lxw_format *format, const QString &text)
    {
        if (const std::optional<double> serial = excelSerial(date, time))
            check(worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), *serial, format));
        else
            writeText(row, column, text, nullptr);
    }
    void writeText(qint64 row, int column, const QString &text, lxw_format *format)
    {
        // Characters as Excel counts them (UTF-16 units).
        if (text.size() > GridExcelExport::MaxCellText)
            throw VarnexError(QStringLiteral("The text in row %1, column %2 is %3 characters long; an Excel cell holds "
                                             "at most %4. Nothing was saved.")
                                  .arg(row + 1)
                                  .arg(column + 1)
                                  .arg(text.size())
                                  .arg(GridExcelExport::MaxCellText));
        if (text.isEmpty())
            return;
        const QByteArray utf8 = text.toUtf8();
        check(worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column), utf8.constData(), format));
    }
    void check(lxw_error error)
    {
        if (error != LXW_NO_ERROR)
            throw VarnexError(QStringLiteral("The workbook cannot be written: %1.").arg(describe(error)));
    }

    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_header = nullptr;
    lxw_format *m_group = nullptr;
    lxw_format *m_date = nullptr;
    lxw_format *m_time = nullptr;
    lxw_format *m_timestamp = nullptr;
};

[[noreturn]] void tooManyRows()
{
    throw VarnexError(QStringLiteral("The grid has more rows than an Excel sheet holds (%L1 with the header and the "
                                     "group rows). Nothing was saved; filter the grid to fewer rows and save again.")
                          .arg(GridExcelExport::MaxRows));
}

QString groupText(const QString &caption, const QVariant &value)
{
    const QString text = value.isValid() && !value.isNull() ? value.toString() : QString();
    return caption.isEmpty() ? text : QStringLiteral("%1: %2").arg(caption, text);
}

} // namespace

void GridExcelExport::Save(const QString &fileName, IGridExportSource &source)
{
    const QList<GridExportColumn> columns = source.Columns();
    const QStringList groups = source.GroupCaptions();
    if (columns.size() > MaxColumns)
        throw VarnexError(QStringLiteral("The grid shows %1 columns; an Excel sheet holds at most %2. Nothing was saved.")
                              .arg(columns.size())
                              .arg(MaxColumns));
    const qint64 hint = source.RecordCountHint();
    if (hint >= 0 && hint + 1 > MaxRows)
        tooManyRows();

    QString error;
    const bool saved = writeFileThroughTemporary(
        fileName,
        [&](const QString &temporaryName, QString *) {
            Workbook book(temporaryName);
            for (int c = 0; c < columns.size(); ++c)
                book.setColumn(c, columns.at(c).widthPixels);
            book.header(columns);
            qint64 row = 1;
            QVariantList current; // the group values of the last record, outermost first
            bool first = true;
            QVariantList groupValues, cells;
            while (source.NextRecord(groupValues, cells)) {
                // A heading for each group level that changed, and the levels inside it.
                int changed = groups.size();
                for (int level = 0; level < groups.size(); ++level) {
                    if (first || groupValues.value(level) != current.value(level)) {
                        changed = level;
                        break;
                    }
                }
                for (int level = changed; level < groups.size(); ++level) {
                    if (row >= MaxRows)
                        tooManyRows();
                    book.outline(row, level);
                    book.groupHeading(row, groupText(groups.at(level), groupValues.value(level)));
                    ++row;
                }
                current = groupValues;
                first = false;
                if (row >= MaxRows)
                    tooManyRows();
                book.outline(row, int(groups.size()));
                for (int c = 0; c < columns.size(); ++c)
                    book.cell(row, c, columns.at(c), cells.value(c));
                ++row;
            }
            book.close();
            return true;
        },
        &error);
    if (!saved)
        throw VarnexError(error);
}
