#include "reports/ReportDocument.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "reports/ReportValues.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMap>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>

#include <algorithm>
#include <functional>

namespace {

constexpr double Eps = 0.01;
// Bar codes keep ten narrow bars of white on either side, so that a scanner finds their ends.
constexpr int QuietModules = 10;

QString scopeName(BandScope scope)
{
    switch (scope) {
    case BandScope::Result: return QStringLiteral("laboratory results");
    case BandScope::Outcome: return QStringLiteral("outcomes");
    default: return QStringLiteral("samples");
    }
}

// A band as laid out: each item's rectangle (millimetres, band-relative) after growing.
struct Laid
{
    int band = 0; // into the document's bands
    QList<QRectF> rects;
    double height = 0;
};

struct Placed
{
    const Laid *laid;
    QPointF origin; // millimetres from the page's top left corner
};

QList<QFont> fontsOf(const ReportDefinition &definition)
{
    QList<QFont> fonts;
    for (const ReportFont &f : definition.fonts) {
        QFont font(f.family);
        font.setPointSizeF(f.size);
        font.setBold(f.bold);
        font.setItalic(f.italic);
        font.setHintingPreference(QFont::PreferNoHinting);
        // No ligatures: "ffi" stays three letters that a reader of the PDF can find and copy.
        font.setStyleStrategy(QFont::PreferNoShaping);
        fonts.append(font);
    }
    return fonts;
}

int textFlags(const ReportItem &item)
{
    return int(item.align) | (item.wrap ? Qt::TextWordWrap : 0);
}

// Places the laid-out bands, in order, on pages and in columns; bandOf gives the definition's
// band of each.
QList<QList<Placed>> paginate(const ReportDefinition &definition, const QList<Laid> &laid, const std::function<int(const Laid &)> &bandOf)
{
    const ReportPageSetup &page = definition.page;
    QList<QList<Placed>> pages(1);
    const double top = page.margins.top();
    const double bottom = page.size().height() - page.margins.bottom();
    int column = 0;
    double y = top;
    bool columnUsed = false;
    auto newPage = [&] {
        pages.append(QList<Placed>());
        column = 0;
        y = top;
        columnUsed = false;
    };
    QSet<int> printedBefore; // definition bands that have printed already
    for (const Laid &l : laid) {
        const int definitionBand = bandOf(l);
        // A band that starts a new page does so each time after its first, so that the first
        // sample shares the page with the report's heading.
        if (definition.bands.at(definitionBand).newPage && printedBefore.contains(definitionBand) && !pages.last().isEmpty())
            newPage();
        printedBefore.insert(definitionBand);
        if (columnUsed && y + l.height > bottom + Eps) {
            if (column + 1 < page.columns) {
                ++column;
                y = top;
                columnUsed = false;
            } else {
                newPage();
            }
        }
        pages.last().append({&l, QPointF(page.margins.left() + column * page.columnWidth, y)});
        y += l.height;
        columnUsed = true;
    }
    return pages;
}

} // namespace

ReportDocument::ReportDocument(ReportDefinition definition, const ReportData &data) : m_definition(std::move(definition))
{
    resolve(data);
}

QString ReportDocument::title() const
{
    return m_definition.title.isEmpty() ? QFileInfo(m_definition.fileName).completeBaseName() : m_definition.title;
}

void ReportDocument::resolve(const ReportData &data)
{
    const QList<ReportBand> &bands = m_definition.bands;
    const DataTable &samples = data.samples;
    const int first = samples.rowCount() > 0 ? 0 : -1;
    int b = 0;
    for (; b < bands.size() && bands.at(b).scope == BandScope::Once; ++b)
        addBand(b, &samples, first, nullptr, -1);
    const int sectionStart = b;
    while (b < bands.size() && bands.at(b).scope != BandScope::Once)
        ++b;
    const int sectionEnd = b;
    for (int s = 0; s < samples.rowCount(); ++s) {
        for (int i = sectionStart; i < sectionEnd; ++i) {
            const BandScope scope = bands.at(i).scope;
            if (scope == BandScope::Sample) {
                addBand(i, &samples, s, nullptr, -1);
                continue;
            }
            const DataTable &rows = scope == BandScope::Result ? data.results.at(s) : data.outcomes.at(s);
            // The columns are checked also for a sample without rows, so that a slip in a
            // definition shows at the first print, not at the first sample with results.
            requireColumns(i, rows);
            for (int r = 0; r < rows.rowCount(); ++r)
                addBand(i, &samples, s, &rows, r);
        }
    }
    for (; b < bands.size(); ++b)
        addBand(b, &samples, first, nullptr, -1);
}

void ReportDocument::requireColumns(int bandIndex, const DataTable &table) const
{
    const ReportBand &band = m_definition.bands.at(bandIndex);
    for (const ReportItem &item : band.items) {
        QStringList names = item.parts;
        if (item.kind == ItemKind::Field || item.kind == ItemKind::Barcode)
            names << item.name;
        for (const QString &name : std::as_const(names))
            if (table.indexOf(name) < 0)
                throw m_definition.errorAt(item.line, QStringLiteral("there is no column \"%1\" in the %2 of a report")
                                                          .arg(name, scopeName(band.scope)));
    }
}

void ReportDocument::addBand(int bandIndex, const DataTable *samples, int sampleRow, const DataTable *rows, int row)
{
    const ReportBand &band = m_definition.bands.at(bandIndex);
    const DataTable &table = rows ? *rows : *samples;
    const int tableRow = rows ? row : sampleRow;
    requireColumns(bandIndex, table);
    auto column = [&](const QString &name) { return ReportValues::text(table, tableRow, name); };
    Band out;
    out.index = bandIndex;
    for (int i = 0; i < band.items.size(); ++i) {
        const ReportItem &item = band.items.at(i);
        Item resolved;
        resolved.index = i;
        switch (item.kind) {
        case ItemKind::Text: resolved.text = item.text; break;
        case ItemKind::Field: resolved.text = column(item.name); break;
        case ItemKind::Value: resolved.text = ReportValues::computed(item.name, *samples, sampleRow); break;
        case ItemKind::Join: {
            QStringList parts;
            for (const QString &part : item.parts)
                if (const QString text = column(part).trimmed(); !text.isEmpty())
                    parts << text;
            resolved.text = parts.join(item.separator);
            break;
        }
        case ItemKind::Barcode: {
            const QString code = column(item.name);
            if (tableRow < 0)
                break; // nothing to print: no sample
            if (!Code39::canCarry(code))
                throw VarnexError(QStringLiteral("%1 cannot be printed: its %2 \"%3\" cannot be carried by a Code 39 bar "
                                                 "code, which holds only capital letters, digits, space and - . $ / + % "
                                                 "(up to 80 of them).")
                                      .arg(ReportValues::sampleName(*samples, sampleRow), item.name, code.left(80)));
            try {
                resolved.bars = Code39::encode(code);
            } catch (const VarnexError &e) {
                throw VarnexError(QStringLiteral("%1 cannot be printed: %2").arg(ReportValues::sampleName(*samples, sampleRow), e.message()));
            }
            break;
        }
        case ItemKind::Line:
        case ItemKind::Box: break;
        }
        out.items.append(resolved);
    }
    m_bands.append(out);
}

namespace {

// How much taller (millimetres) a growing item must be to show all its text; 0 for an item that
// does not grow.
double growthOf(const ReportItem &item, const QString &text, const QList<QFont> &fonts, QPaintDevice &device,
                double sx, double sy)
{
    if (!item.grow)
        return 0;
    const QFontMetricsF metrics(fonts.at(item.font), &device);
    const double width = (item.rect.width() - 2 * item.padding) * sx;
    const QRectF needed = metrics.boundingRect(QRectF(0, 0, width, 1e9), textFlags(item), text);
    return needed.height() / sy + 2 * item.padding - item.rect.height();
}

// Lays a band out, given each item's index and growth: grown items push the items below them
// down; items that share a growing item's top and bottom (the cells of a table row) grow with it.
Laid layBand(const ReportBand &band, const QList<std::pair<int, double>> &items)
{
    QMap<QPair<double, double>, double> extras; // (top, bottom) of a growing row -> its growth
    for (const auto &[index, extra] : items) {
        const ReportItem &item = band.items.at(index);
        if (extra > Eps) {
            double &e = extras[{item.rect.top(), item.rect.bottom()}];
            e = std::max(e, extra);
        }
    }
    auto shiftAt = [&](double y) {
        double shift = 0;
        for (auto e = extras.cbegin(); e != extras.cend(); ++e)
            if (e.key().second <= y + Eps)
                shift += e.value();
        return shift;
    };
    Laid l;
    l.height = band.height + shiftAt(band.height);
    for (const auto &[index, extra] : items) {
        const ReportItem &item = band.items.at(index);
        QRectF r = item.rect;
        const double grow = extras.value({r.top(), r.bottom()}, 0);
        r.translate(0, shiftAt(r.top()));
        if (item.kind != ItemKind::Line)
            r.setHeight(r.height() + grow);
        l.rects.append(r);
    }
    return l;
}

// Draws one item in its place mm (millimetres on the page); sx and sy turn millimetres into
// device pixels.
void drawItem(QPainter &painter, const ReportItem &item, const QString &text, const Code39Bars &bars, const QRectF &mm,
              const QList<QFont> &fonts, double sx, double sy)
{
    auto toDevice = [&](const QRectF &m) { return QRectF(m.x() * sx, m.y() * sy, m.width() * sx, m.height() * sy); };
    const QRectF r = toDevice(mm);
    painter.save();
    switch (item.kind) {
    case ItemKind::Line: {
        QPen pen(Qt::black, item.lineWidth * sx);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        const QLineF seg = item.segment.translated(mm.topLeft() - item.rect.topLeft());
        painter.drawLine(QLineF(seg.x1() * sx, seg.y1() * sy, seg.x2() * sx, seg.y2() * sy));
        break;
    }
    case ItemKind::Box:
        if (item.fill.isValid())
            painter.fillRect(r, item.fill);
        if (item.lineWidth > 0) {
            painter.setPen(QPen(Qt::black, item.lineWidth * sx));
            painter.drawRect(r);
        }
        break;
    case ItemKind::Barcode: {
        if (bars.modules == 0)
            break;
        double x = mm.width() / (bars.modules + 2 * QuietModules);
        if (item.module > 0)
            x = std::min(x, item.module);
        const double left = mm.left() + (mm.width() - bars.modules * x) / 2;
        for (const Code39Bars::Bar &bar : bars.bars)
            painter.fillRect(toDevice(QRectF(left + bar.start * x, mm.top(), bar.width * x, mm.height())), Qt::black);
        break;
    }
    default:
        if (item.fill.isValid())
            painter.fillRect(r, item.fill);
        if (item.frame) {
            painter.setPen(QPen(Qt::black, 0.2 * sx));
            painter.drawRect(r);
        }
        painter.setPen(Qt::black);
        painter.setFont(fonts.at(item.font));
        painter.setClipRect(r);
        painter.drawText(r.adjusted(item.padding * sx, item.padding * sy, -item.padding * sx, -item.padding * sy),
                         textFlags(item), text);
        break;
    }
    painter.restore();
}

} // namespace

int ReportDocument::render(QPagedPaintDevice &device) const
{
    device.setPageLayout(m_definition.page.pageLayout());
    QPainter painter;
    if (!painter.begin(&device))
        throw VarnexError(QStringLiteral("The report \"%1\" could not be drawn: its output could not be opened.").arg(title()));
    const double sx = device.logicalDpiX() / 25.4;
    const double sy = device.logicalDpiY() / 25.4;
    const QList<QFont> fonts = fontsOf(m_definition);

    QList<Laid> laid;
    laid.reserve(m_bands.size());
    for (int i = 0; i < m_bands.size(); ++i) {
        const Band &resolved = m_bands.at(i);
        const ReportBand &band = m_definition.bands.at(resolved.index);
        QList<std::pair<int, double>> items;
        for (const Item &it : resolved.items) {
            items.append({it.index, growthOf(band.items.at(it.index), it.text, fonts, device, sx, sy)});
        }
        Laid l = layBand(band, items);
        l.band = i;
        laid.append(l);
    }

    const QList<QList<Placed>> pages = paginate(m_definition, laid, [&](const Laid &l) { return m_bands.at(l.band).index; });
    for (int p = 0; p < pages.size(); ++p) {
        if (p > 0 && !device.newPage())
            throw VarnexError(QStringLiteral("The report \"%1\" could not be drawn: page %2 could not be started.")
                                  .arg(title())
                                  .arg(p + 1));
        for (const Placed &placed : pages.at(p)) {
            const Band &resolved = m_bands.at(placed.laid->band);
            const ReportBand &band = m_definition.bands.at(resolved.index);
            for (int i = 0; i < resolved.items.size(); ++i) {
                const Item &it = resolved.items.at(i);
                const ReportItem &item = band.items.at(it.index);
                drawItem(painter, item, it.text, it.bars, placed.laid->rects.at(i).translated(placed.origin),
                         fonts, sx, sy);
            }
        }
    }
    painter.end();
    return int(pages.size());
}

QByteArray ReportDocument::toPdf() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setTitle(title());
        writer.setCreator(Varnex::ProgramName);
        render(writer);
    }
    return buffer.data();
}
