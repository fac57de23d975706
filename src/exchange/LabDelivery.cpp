#include "exchange/LabDelivery.h"

#include "base/VarnexError.h"
#include "data/DataTable.h"

#include <QDir>
#include <QRegularExpression>

namespace LabDelivery {

namespace {

const QString LineEnd = QStringLiteral("\r\n");

QString notSupplied(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("Not supplied") : value;
}

// The text of a column of the row, empty for NULL or a column the selection does not have.
QString textOf(const DataTable &rows, int row, int column)
{
    return column < 0 ? QString() : rows.value(row, column).toString();
}

QString quotedItem(const QString &item)
{
    static const QRegularExpression needsQuotes(QStringLiteral("[ ,\"]"));
    if (!item.isEmpty() && !item.contains(needsQuotes))
        return item;
    QString quoted = item;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString moreLine(int remaining)
{
    return QStringLiteral("  ... and %1 more").arg(remaining) + LineEnd;
}

} // namespace

QString coverText(const CoverHeader &header, const DataTable &rows, int maxChars)
{
    QString head;
    for (const QString &line : {QStringLiteral("Sender details..."),
                                QStringLiteral("Local authority: ") + header.authorityCode + QStringLiteral(", ")
                                    + header.authorityName,
                                QStringLiteral("Office: ") + header.officeDescription, QString(),
                                QStringLiteral("Number of samples being sent: ") + QString::number(rows.rowCount()),
                                QString(), QStringLiteral("Batch number: ") + QString::number(header.batchId), QString(),
                                QStringLiteral("Details of samples...")})
        head += line + LineEnd;

    // The officer's columns come after the sample's; these names occur only among the officer's.
    const int name = rows.indexOf(QStringLiteral("NAME"));
    const int telephone = rows.indexOf(QStringLiteral("TELEPHONE_NO"));
    const int email = rows.indexOf(QStringLiteral("EMAIL_ADDRESS"));
    const int laSampleNo = rows.indexOf(QStringLiteral("LA_SAMPLENO"));
    const int recordType = rows.indexOf(QStringLiteral("RECORD_TYPE"));
    const int analysisType = rows.indexOf(QStringLiteral("ANALYSIS_TYPE"));
    const int description = rows.indexOf(QStringLiteral("FOOD_DESCRIPTION"));

    // Each sample's lines: the officer group it opens, if any, and its own line.
    QStringList chunks;
    chunks.reserve(rows.rowCount());
    QString previousName;
    for (int r = 0; r < rows.rowCount(); ++r) {
        QString chunk;
        const QString officer = textOf(rows, r, name);
        if (officer != previousName) {
            chunk += LineEnd;
            chunk += QStringLiteral("Samples for: ") + officer + QStringLiteral(" (Tel: ")
                     + notSupplied(textOf(rows, r, telephone)) + QStringLiteral(" email: ")
                     + notSupplied(textOf(rows, r, email)) + QLatin1Char(')') + LineEnd;
            previousName = officer;
        }
        const bool chemical = textOf(rows, r, analysisType) == QLatin1String("C");
        chunk += QStringLiteral("  %1. ").arg(r + 1) + textOf(rows, r, laSampleNo) + QStringLiteral(", Type = ")
                 + textOf(rows, r, recordType) + QStringLiteral(", ")
                 + (chemical ? QStringLiteral("Chemical") : QStringLiteral("Micro")) + QStringLiteral(", ")
                 + textOf(rows, r, description) + QStringLiteral(", ") + LineEnd;
        chunks << chunk;
    }

    qsizetype total = head.size();
    for (const QString &chunk : std::as_const(chunks))
        total += chunk.size();
    if (total <= maxChars)
        return head + chunks.join(QString());

    // Too long for the postbox: as many samples as fit together with the closing line.
    QString text = head;
    int kept = 0;
    while (kept < chunks.size()
           && text.size() + chunks.at(kept).size() + moreLine(int(chunks.size()) - kept - 1).size() <= maxChars) {
        text += chunks.at(kept);
        ++kept;
    }
    return text + moreLine(int(chunks.size()) - kept);
}

QString commaText(const QStringList &items)
{
    QStringList quoted;
    quoted.reserve(items.size());
    for (const QString &item : items)
        quoted << quotedItem(item);
    return quoted.join(QLatin1Char(','));
}

int itemsThatFit(const QStringList &items, int maxChars)
{
    qsizetype length = 0;
    int count = 0;
    for (const QString &item : items) {
        const qsizetype added = quotedItem(item).size() + (count > 0 ? 1 : 0);
        if (length + added > maxChars)
            break;
        length += added;
        ++count;
    }
    return count;
}

QString fitLaboratoryName(const QString &name, int maxChars)
{
    if (name.size() <= maxChars)
        return name;
    static const QRegularExpression countAtEnd(QStringLiteral(" \\(\\d+ samples?\\)$"));
    const QRegularExpressionMatch match = countAtEnd.match(name);
    const QString suffix = match.hasMatch() ? match.captured(0) : QString();
    const QString ellipsis = QStringLiteral("...");
    const qsizetype room = maxChars - suffix.size() - ellipsis.size();
    if (room <= 0)
        return name.left(maxChars);
    return name.left(room).trimmed() + ellipsis + suffix;
}

QString cleanFileNamePart(const QString &part)
{
    QString clean;
    clean.reserve(part.size());
    for (const QChar ch : part) {
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || ch.category() == QChar::Other_Control)
            continue;
        clean += ch;
    }
    return clean;
}

QString exportFileName(const QString &folder, const QString &authorityCode, const QString &installationCode,
                       qint64 batchId)
{
    if (folder.trimmed().isEmpty())
        throw VarnexError(QStringLiteral("No folder was chosen for the export file."));
    const QString name = cleanFileNamePart(authorityCode) + cleanFileNamePart(installationCode)
                         + QString::number(batchId) + QStringLiteral(".enc");
    return QDir::cleanPath(QDir::fromNativeSeparators(folder) + QLatin1Char('/') + name);
}

} // namespace LabDelivery
