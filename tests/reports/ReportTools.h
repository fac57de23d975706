#pragma once

// The command-line tools the report tests read PDFs with (poppler-utils, zbar-tools; scripts/setup
// installs both), and a store fixture of samples to print.

#include "support/TestDatabase.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariantMap>

#include <stdexcept>

namespace ReportTools {

// Standard output of a tool; throws (failing the test) when it cannot run or fails.
inline QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error(QStringLiteral("%1 %2 failed: %3 %4")
                                     .arg(program, arguments.join(QLatin1Char(' ')), p.errorString(),
                                          QString::fromLocal8Bit(p.readAllStandardError()))
                                     .toStdString());
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of a PDF (or of one page), laid out as on the page.
inline QString pdfText(const QString &pdf, int page = 0)
{
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    return run(QStringLiteral("pdftotext"), args << pdf << QStringLiteral("-"));
}

// "Pages:", "Page size:" and the other lines of pdfinfo, for pages first to last.
inline QString pdfInfo(const QString &pdf, int first = 0, int last = 0)
{
    QStringList args;
    if (first > 0)
        args << QStringLiteral("-f") << QString::number(first) << QStringLiteral("-l") << QString::number(last);
    return run(QStringLiteral("pdfinfo"), args << pdf);
}

// The size of each page in millimetres (pdfinfo gives whole points, so within 0.36 mm).
inline QList<QSizeF> pageSizes(const QString &pdf, int pages)
{
    QList<QSizeF> sizes;
    static const QRegularExpression size(QStringLiteral("^Page +\\d+ size: +([0-9.]+) x ([0-9.]+) pts"),
                                         QRegularExpression::MultilineOption);
    auto it = size.globalMatch(pdfInfo(pdf, 1, pages));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        sizes << QSizeF(m.captured(1).toDouble() * 25.4 / 72, m.captured(2).toDouble() * 25.4 / 72);
    }
    return sizes;
}

// True when every page is width x height millimetres, to the nearest half millimetre.
inline bool pagesAre(const QString &pdf, int pages, double width, double height)
{
    const QList<QSizeF> sizes = pageSizes(pdf, pages);
    if (sizes.size() != pages)
        return false;
    for (const QSizeF &s : sizes)
        if (qAbs(s.width() - width) > 0.5 || qAbs(s.height() - height) > 0.5)
            return false;
    return true;
}

inline int pageCount(const QString &pdf)
{
    for (const QString &line : pdfInfo(pdf).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The bar codes zbarimg reads on every page, rendered at 300 dpi: one "CODE-39:value" per symbol.
inline QStringList scanBarcodes(const QString &pdf, const QString &scratchFolder)
{
    const QString prefix = scratchFolder + QStringLiteral("/scan");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"), pdf, prefix});
    QStringList images;
    for (int page = 1; page <= pageCount(pdf); ++page)
        for (const QString &candidate : {QStringLiteral("%1-%2.png").arg(prefix).arg(page),
                                         QStringLiteral("%1-%2.png").arg(prefix).arg(page, 2, 10, QLatin1Char('0'))})
            if (QFile::exists(candidate)) {
                images << candidate;
                break;
            }
    QStringList found;
    for (const QString &image : images)
        found << run(QStringLiteral("zbarimg"), {QStringLiteral("-q"), image}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return found;
}

// Inserts a sample row with the given columns (column names come from the tests only).
inline void insertSample(TestDatabase &db, const QVariantMap &columns)
{
    db.insert(QStringLiteral("SAMPLE"), columns);
}

} // namespace ReportTools
