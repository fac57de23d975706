#include "reports/ReportDefinition.h"

#include "reports/ReportValues.h"

#include <QHash>
#include <QPageSize>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <functional>
#include <optional>

namespace {

const QString RootName = QStringLiteral("varnex-report");
constexpr double Tolerance = 0.01; // millimetres an item may reach past its band (rounding)
constexpr int MaxFonts = 50;
constexpr int MaxBands = 500;
constexpr int MaxItems = 5000;
constexpr int MaxParts = 20;
constexpr int MaxTextLength = 4000;

struct NamedSize
{
    const char *name;
    QPageSize::PageSizeId id;
};
constexpr NamedSize NamedSizes[] = {{"A3", QPageSize::A3}, {"A4", QPageSize::A4}, {"A5", QPageSize::A5},
                                    {"Letter", QPageSize::Letter}, {"Legal", QPageSize::Legal}};

QString quoted(QStringView text)
{
    return QLatin1Char('"') + text.left(60).toString() + (text.size() > 60 ? QStringLiteral("...\"") : QStringLiteral("\""));
}

QString mm(double value)
{
    return QString::number(value, 'g', 6) + QStringLiteral(" mm");
}

class Reader
{
public:
    Reader(const QByteArray &bytes, ReportDefinition &definition) : m_d(definition), m_x(bytes) {}

    void run()
    {
        m_x.setNamespaceProcessing(true);
        // The prolog: a declaration, comments and processing instructions only.
        while (true) {
            const QXmlStreamReader::TokenType token = next();
            if (token == QXmlStreamReader::StartElement)
                break;
            if (token == QXmlStreamReader::EndDocument)
                fail(QStringLiteral("the file holds no element"));
        }
        if (m_x.name() != RootName || !m_x.namespaceUri().isEmpty())
            fail(QStringLiteral("this is not a report definition of this program: its first element is <%1>, not "
                                "<%2> (a report made with another designer cannot be used)")
                     .arg(m_x.qualifiedName().left(60), RootName));
        allowOnly({QStringLiteral("version"), QStringLiteral("title")});
        const QString version = attribute(QStringLiteral("version"), true);
        if (version != QLatin1String("1"))
            fail(QStringLiteral("version %1 of the format is not one this program reads (it reads version 1)")
                     .arg(quoted(version)));
        m_d.title = attribute(QStringLiteral("title"));
        if (m_d.title.size() > 200)
            fail(QStringLiteral("the title is longer than 200 characters"));
        readRoot();
        // Nothing but comments may follow the root element.
        while (next() != QXmlStreamReader::EndDocument) {
        }
    }

private:
    [[noreturn]] void fail(const QString &fault, qint64 line = -1)
    {
        throw m_d.errorAt(line >= 0 ? line : m_x.lineNumber(), fault);
    }

    // The next token that matters; refuses what the format does not allow anywhere.
    QXmlStreamReader::TokenType next()
    {
        while (true) {
            const QXmlStreamReader::TokenType token = m_x.readNext();
            switch (token) {
            case QXmlStreamReader::Invalid:
                fail(QStringLiteral("not well-formed XML: %1").arg(m_x.errorString()));
            case QXmlStreamReader::DTD:
                fail(QStringLiteral("a document type declaration is not allowed"));
            case QXmlStreamReader::EntityReference:
                fail(QStringLiteral("the entity reference &%1; is not allowed").arg(m_x.name().left(40)));
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
            case QXmlStreamReader::StartDocument:
                continue;
            case QXmlStreamReader::Characters:
                if (m_collectText) {
                    if (m_text.size() + m_x.text().size() > MaxTextLength + 1000)
                        fail(QStringLiteral("a text longer than %1 characters").arg(MaxTextLength));
                    m_text += m_x.text();
                } else if (!m_x.isWhitespace()) {
                    fail(QStringLiteral("text %1 stands outside a <text> item").arg(quoted(m_x.text().trimmed())));
                }
                continue;
            default:
                return token;
            }
        }
    }

    void allowOnly(const QStringList &names)
    {
        for (const QXmlStreamAttribute &a : m_x.attributes())
            if (!a.namespaceUri().isEmpty() || !names.contains(a.name().toString()))
                fail(QStringLiteral("<%1> has no attribute \"%2\" (it takes %3)")
                         .arg(m_x.name().toString(), a.qualifiedName().left(40).toString(),
                              names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));
    }

    QString attribute(const QString &name, bool required = false)
    {
        if (!m_x.attributes().hasAttribute(name)) {
            if (required)
                fail(QStringLiteral("<%1> needs the attribute \"%2\"").arg(m_x.name().toString(), name));
            return {};
        }
        return m_x.attributes().value(name).toString();
    }

    bool has(const QString &name) const { return m_x.attributes().hasAttribute(name); }

    // A number of millimetres (or points) within [min, max]; fallback when absent and not required.
    double number(const QString &name, double min, double max, std::optional<double> fallback = std::nullopt)
    {
        if (!has(name)) {
            if (!fallback)
                fail(QStringLiteral("<%1> needs the attribute \"%2\"").arg(m_x.name().toString(), name));
            return *fallback;
        }
        static const QRegularExpression form(QStringLiteral("^-?[0-9]{1,5}(\\.[0-9]{1,4})?$"));
        const QString text = attribute(name);
        if (!form.match(text).hasMatch())
            fail(QStringLiteral("%1=%2 is not a number (digits, an optional point and up to four decimals)")
                     .arg(name, quoted(text)));
        const double value = text.toDouble();
        if (value < min || value > max)
            fail(QStringLiteral("%1=%2 is out of range (%3 to %4)")
                     .arg(name, quoted(text), QString::number(min), QString::number(max)));
        return value;
    }

    int integer(const QString &name, int min, int max, int fallback)
    {
        const double value = number(name, min, max, fallback);
        if (value != int(value))
            fail(QStringLiteral("%1=%2 is not a whole number").arg(name, quoted(attribute(name))));
        return int(value);
    }

    bool flag(const QString &name, bool fallback = false)
    {
        if (!has(name))
            return fallback;
        const QString text = attribute(name);
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
        fail(QStringLiteral("%1=%2 is neither \"true\" nor \"false\"").arg(name, quoted(text)));
    }

    QString choice(const QString &name, const QStringList &choices, const QString &fallback)
    {
        if (!has(name))
            return fallback;
        const QString text = attribute(name);
        if (!choices.contains(text))
            fail(QStringLiteral("%1=%2 is not one of %3").arg(name, quoted(text), choices.join(QStringLiteral(", "))));
        return text;
    }

    // A required attribute whose whole value matches form; what says what it should be.
    QString matching(const QString &name, const QRegularExpression &form, const char *what)
    {
        const QString text = attribute(name, true);
        if (!form.match(text).hasMatch())
            fail(QStringLiteral("%1=%2 is not %3").arg(name, quoted(text), QLatin1String(what)));
        return text;
    }

    QString identifier(const QString &name)
    {
        static const QRegularExpression form(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
        return matching(name, form, "a column name (letters, digits and _)");
    }

    QColor colour(const QString &name)
    {
        if (!has(name))
            return {};
        static const QRegularExpression form(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
        const QString text = attribute(name);
        if (!form.match(text).hasMatch())
            fail(QStringLiteral("%1=%2 is not a colour of the form #rrggbb").arg(name, quoted(text)));
        return QColor(text);
    }

    // Reads the children of the current element through handle(name) for each child element;
    // returns at the element's end.
    void children(const std::function<void(const QString &)> &handle)
    {
        while (true) {
            const QXmlStreamReader::TokenType token = next();
            if (token == QXmlStreamReader::EndElement)
                return;
            if (token == QXmlStreamReader::StartElement) {
                if (!m_x.namespaceUri().isEmpty())
                    fail(QStringLiteral("the element <%1> of another namespace is not part of the format")
                             .arg(m_x.qualifiedName().left(60)));
                handle(m_x.name().toString());
            }
        }
    }

    [[noreturn]] void unexpected(const QString &where, const QString &allowed)
    {
        fail(QStringLiteral("<%1> cannot stand in %2 (%3)").arg(m_x.name().left(60).toString(), where, allowed));
    }

    void readRoot()
    {
        bool pageSeen = false;
        enum { Leading, Section, Trailing } phase = Leading;
        children([&](const QString &name) {
            if (name == QLatin1String("page")) {
                if (pageSeen)
                    fail(QStringLiteral("a second <page>; a report has one"));
                if (!m_d.fonts.isEmpty() || !m_d.bands.isEmpty())
                    fail(QStringLiteral("<page> must come first"));
                readPage();
                pageSeen = true;
                return;
            }
            if (!pageSeen)
                fail(QStringLiteral("<%1> before <page>; the page comes first").arg(name));
            if (name == QLatin1String("font")) {
                if (!m_d.bands.isEmpty())
                    fail(QStringLiteral("<font> after a band; fonts come before the bands"));
                readFont();
            } else if (name == QLatin1String("band")) {
                readBand();
                const BandScope scope = m_d.bands.last().scope;
                if (scope != BandScope::Once) {
                    if (phase == Trailing)
                        fail(QStringLiteral("a band for the samples after a closing once band: the bands of the "
                                            "samples stand together"),
                             m_d.bands.last().line);
                    phase = Section;
                } else if (phase == Section) {
                    phase = Trailing;
                }
            } else {
                unexpected(QStringLiteral("<varnex-report>"), QStringLiteral("it holds <page>, <font> and <band>"));
            }
        });
        if (!pageSeen)
            fail(QStringLiteral("the report has no <page>"));
        if (m_d.bands.isEmpty())
            fail(QStringLiteral("the report has no <band>"));
        if (m_d.fonts.isEmpty())
            m_d.fonts.append({QStringLiteral("default"), QStringLiteral("DejaVu Sans"), 8, false, false});
    }

    void readPage()
    {
        allowOnly({QStringLiteral("size"), QStringLiteral("orientation"), QStringLiteral("width"), QStringLiteral("height"),
                   QStringLiteral("left"), QStringLiteral("right"), QStringLiteral("top"), QStringLiteral("bottom"),
                   QStringLiteral("columns"), QStringLiteral("column-width"), QStringLiteral("printer")});
        ReportPageSetup &page = m_d.page;
        QStringList sizes;
        for (const NamedSize &s : NamedSizes)
            sizes << QLatin1String(s.name);
        const QString size = choice(QStringLiteral("size"), sizes + QStringList{QStringLiteral("custom")}, QStringLiteral("A4"));
        if (size == QLatin1String("custom")) {
            // The page as it prints; a page wider than high is a landscape page.
            const double width = number(QStringLiteral("width"), 20, 2000);
            const double height = number(QStringLiteral("height"), 20, 2000);
            const QString orientation = choice(QStringLiteral("orientation"), {QStringLiteral("portrait"), QStringLiteral("landscape")},
                                               width > height ? QStringLiteral("landscape") : QStringLiteral("portrait"));
            if ((orientation == QLatin1String("landscape")) != (width > height))
                fail(QStringLiteral("orientation=\"%1\" disagrees with a custom page %2 wide and %3 high (give the page as "
                                    "it prints)")
                         .arg(orientation, mm(width), mm(height)));
            page.paper = QSizeF(qMin(width, height), qMax(width, height));
            page.orientation = width > height ? QPageLayout::Landscape : QPageLayout::Portrait;
        } else {
            if (has(QStringLiteral("width")) || has(QStringLiteral("height")))
                fail(QStringLiteral("width and height belong to size=\"custom\""));
            for (const NamedSize &s : NamedSizes)
                if (size == QLatin1String(s.name))
                    page.paper = QPageSize(s.id).size(QPageSize::Millimeter);
            page.orientation = choice(QStringLiteral("orientation"), {QStringLiteral("portrait"), QStringLiteral("landscape")},
                                      QStringLiteral("portrait"))
                                       == QLatin1String("landscape")
                                   ? QPageLayout::Landscape
                                   : QPageLayout::Portrait;
        }
        const QSizeF printed = page.size();
        page.margins = QMarginsF(number(QStringLiteral("left"), 0, printed.width(), 0), number(QStringLiteral("top"), 0, printed.height(), 0),
                                 number(QStringLiteral("right"), 0, printed.width(), 0),
                                 number(QStringLiteral("bottom"), 0, printed.height(), 0));
        if (page.printableWidth() < 10 || page.printableHeight() < 10)
            fail(QStringLiteral("the margins leave less than 10 mm of the page to print on"));
        page.columns = integer(QStringLiteral("columns"), 1, 20, 1);
        page.columnWidth = number(QStringLiteral("column-width"), 5, 2000, page.printableWidth() / page.columns);
        if (page.columns * page.columnWidth > page.printableWidth() + Tolerance)
            fail(QStringLiteral("%1 columns of %2 do not fit the %3 between the margins")
                     .arg(page.columns)
                     .arg(mm(page.columnWidth), mm(page.printableWidth())));
        page.printer = attribute(QStringLiteral("printer"));
        if (page.printer.size() > 200)
            fail(QStringLiteral("the printer name is longer than 200 characters"));
        children([&](const QString &) { unexpected(QStringLiteral("<page>"), QStringLiteral("it holds nothing")); });
    }

    void readFont()
    {
        allowOnly({QStringLiteral("name"), QStringLiteral("family"), QStringLiteral("size"), QStringLiteral("bold"),
                   QStringLiteral("italic")});
        if (m_d.fonts.size() >= MaxFonts)
            fail(QStringLiteral("more than %1 fonts").arg(MaxFonts));
        ReportFont font;
        static const QRegularExpression fontName(QStringLiteral("^[A-Za-z0-9_-]{1,40}$"));
        font.name = matching(QStringLiteral("name"), fontName, "a name (1 to 40 letters, digits, _ and -)");
        for (const ReportFont &f : std::as_const(m_d.fonts))
            if (f.name == font.name)
                fail(QStringLiteral("a second font named %1").arg(quoted(font.name)));
        font.family = attribute(QStringLiteral("family"), true);
        if (font.family.isEmpty() || font.family.size() > 100)
            fail(QStringLiteral("family must name a font family (1 to 100 characters)"));
        font.size = number(QStringLiteral("size"), 2, 200);
        font.bold = flag(QStringLiteral("bold"));
        font.italic = flag(QStringLiteral("italic"));
        m_d.fonts.append(font);
        children([&](const QString &) { unexpected(QStringLiteral("<font>"), QStringLiteral("it holds nothing")); });
    }


    void readBand()
    {
        allowOnly({QStringLiteral("each"), QStringLiteral("height"), QStringLiteral("new-page")});
        if (m_d.bands.size() >= MaxBands)
            fail(QStringLiteral("more than %1 bands").arg(MaxBands));
        ReportBand band;
        band.line = m_x.lineNumber();
        static const QHash<QString, BandScope> scopes = {{QStringLiteral("once"), BandScope::Once},
                                                         {QStringLiteral("sample"), BandScope::Sample},
                                                         {QStringLiteral("result"), BandScope::Result},
                                                         {QStringLiteral("outcome"), BandScope::Outcome}};
        if (!has(QStringLiteral("each")))
            fail(QStringLiteral("<band> needs the attribute \"each\" (once, sample, result or outcome)"));
        band.scope = scopes.value(choice(QStringLiteral("each"), {QStringLiteral("once"), QStringLiteral("sample"),
                                                                   QStringLiteral("result"), QStringLiteral("outcome")},
                                         {}));
        band.height = number(QStringLiteral("height"), 0.5, m_d.page.printableHeight());
        band.newPage = flag(QStringLiteral("new-page"));
        children([&](const QString &name) { band.items.append(readItem(name, band)); });
        m_d.bands.append(band);
    }

    ReportItem readItem(const QString &name, const ReportBand &band)
    {
        if (++m_items > MaxItems)
            fail(QStringLiteral("more than %1 items").arg(MaxItems));
        static const QHash<QString, ItemKind> kinds = {
            {QStringLiteral("text"), ItemKind::Text},       {QStringLiteral("field"), ItemKind::Field},
            {QStringLiteral("value"), ItemKind::Value},     {QStringLiteral("join"), ItemKind::Join},
            {QStringLiteral("barcode"), ItemKind::Barcode}, {QStringLiteral("line"), ItemKind::Line},
            {QStringLiteral("box"), ItemKind::Box}};
        if (!kinds.contains(name))
            unexpected(QStringLiteral("<band>"), QStringLiteral("it holds <text>, <field>, <value>, <join>, <barcode>, "
                                                                "<line> and <box>"));
        ReportItem item;
        item.kind = kinds.value(name);
        item.line = m_x.lineNumber();
        allowItemAttributes(item.kind);
        readPlacement(item, band);
        if (item.holdsText())
            readLook(item);
        readKindAttributes(item);
        readItemContent(item, name);
        return item;
    }

    // Refuses an attribute the kind of item does not take.
    void allowItemAttributes(ItemKind kind)
    {
        const QStringList box = {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("width"), QStringLiteral("height")};
        const QStringList look = {QStringLiteral("font"),  QStringLiteral("align"), QStringLiteral("valign"),
                                  QStringLiteral("wrap"),  QStringLiteral("grow"),  QStringLiteral("frame"),
                                  QStringLiteral("fill"),  QStringLiteral("padding")};
        switch (kind) {
        case ItemKind::Text: allowOnly(box + look); break;
        case ItemKind::Field:
        case ItemKind::Value: allowOnly(box + look + QStringList{QStringLiteral("name")}); break;
        case ItemKind::Join: allowOnly(box + look + QStringList{QStringLiteral("separator")}); break;
        case ItemKind::Barcode:
            allowOnly(box + QStringList{QStringLiteral("name"), QStringLiteral("type"), QStringLiteral("module")});
            break;
        case ItemKind::Line:
            allowOnly({QStringLiteral("x1"), QStringLiteral("y1"), QStringLiteral("x2"), QStringLiteral("y2"), QStringLiteral("width")});
            break;
        case ItemKind::Box: allowOnly(box + QStringList{QStringLiteral("line-width"), QStringLiteral("fill")}); break;
        }
    }

    // Where the item sits in its band: a segment for a line, a rectangle inside the band otherwise.
    void readPlacement(ReportItem &item, const ReportBand &band)
    {
        const double bandWidth = m_d.page.bandWidth();
        if (item.kind == ItemKind::Line) {
            item.segment = QLineF(number(QStringLiteral("x1"), 0, bandWidth + Tolerance), number(QStringLiteral("y1"), 0, band.height + Tolerance),
                                  number(QStringLiteral("x2"), 0, bandWidth + Tolerance), number(QStringLiteral("y2"), 0, band.height + Tolerance));
            item.rect = QRectF(item.segment.p1(), item.segment.p2()).normalized();
            item.lineWidth = number(QStringLiteral("width"), 0.05, 5, 0.2);
            return;
        }
        item.rect = QRectF(number(QStringLiteral("x"), 0, 2000), number(QStringLiteral("y"), 0, 2000),
                           number(QStringLiteral("width"), 0.5, 2000), number(QStringLiteral("height"), 0.5, 2000));
        if (item.rect.right() > bandWidth + Tolerance)
            fail(QStringLiteral("the item reaches %1 across a band %2 wide").arg(mm(item.rect.right()), mm(bandWidth)));
        if (item.rect.bottom() > band.height + Tolerance)
            fail(QStringLiteral("the item reaches %1 down a band %2 high").arg(mm(item.rect.bottom()), mm(band.height)));
    }

    // How an item that holds text sets it: font, alignment, wrapping, frame, fill and padding.
    void readLook(ReportItem &item)
    {
        item.font = fontIndex();
        const QString align = choice(QStringLiteral("align"), {QStringLiteral("left"), QStringLiteral("center"), QStringLiteral("right")},
                                     QStringLiteral("left"));
        const QString valign = choice(QStringLiteral("valign"), {QStringLiteral("top"), QStringLiteral("middle"), QStringLiteral("bottom")},
                                      QStringLiteral("top"));
        item.align = (align == QLatin1String("center") ? Qt::AlignHCenter
                      : align == QLatin1String("right") ? Qt::AlignRight
                                                        : Qt::AlignLeft)
                     | (valign == QLatin1String("middle") ? Qt::AlignVCenter
                        : valign == QLatin1String("bottom") ? Qt::AlignBottom
                                                            : Qt::AlignTop);
        item.grow = flag(QStringLiteral("grow"));
        item.wrap = flag(QStringLiteral("wrap"), item.grow);
        if (item.grow && !item.wrap)
            fail(QStringLiteral("grow=\"true\" needs wrapped text; leave wrap out or make it \"true\""));
        item.frame = flag(QStringLiteral("frame"));
        item.fill = colour(QStringLiteral("fill"));
        item.padding = number(QStringLiteral("padding"), 0, 20, 0.5);
        if (2 * item.padding >= item.rect.width())
            fail(QStringLiteral("the padding leaves no room for text"));
    }

    // The attributes only one kind of item takes.
    void readKindAttributes(ReportItem &item)
    {
        switch (item.kind) {
        case ItemKind::Field: item.name = identifier(QStringLiteral("name")); break;
        case ItemKind::Value:
            item.name = attribute(QStringLiteral("name"), true);
            if (!ReportValues::isComputedName(item.name))
                fail(QStringLiteral("there is no computed value named %1 (there are %2)")
                         .arg(quoted(item.name), ReportValues::computedNames().join(QStringLiteral(", "))));
            break;
        case ItemKind::Join:
            item.separator = has(QStringLiteral("separator")) ? attribute(QStringLiteral("separator")) : QStringLiteral(", ");
            if (item.separator.size() > 20)
                fail(QStringLiteral("the separator is longer than 20 characters"));
            break;
        case ItemKind::Barcode:
            item.name = identifier(QStringLiteral("name"));
            choice(QStringLiteral("type"), {QStringLiteral("code39")}, QStringLiteral("code39"));
            item.module = number(QStringLiteral("module"), 0.05, 5, 0);
            break;
        case ItemKind::Box:
            item.lineWidth = number(QStringLiteral("line-width"), 0, 5, 0.2);
            item.fill = colour(QStringLiteral("fill"));
            break;
        default: break;
        }
    }

    // What the element holds: the text of a <text>, the <part>s of a <join>, nothing otherwise.
    void readItemContent(ReportItem &item, const QString &name)
    {
        if (item.kind == ItemKind::Text) {
            m_collectText = true;
            children([&](const QString &) { unexpected(QStringLiteral("<text>"), QStringLiteral("it holds text only")); });
            m_collectText = false;
            item.text = m_text.trimmed();
            m_text.clear();
            if (item.text.size() > MaxTextLength)
                fail(QStringLiteral("a text longer than %1 characters").arg(MaxTextLength), item.line);
        } else if (item.kind == ItemKind::Join) {
            children([&](const QString &child) {
                if (child != QLatin1String("part"))
                    unexpected(QStringLiteral("<join>"), QStringLiteral("it holds <part> elements"));
                allowOnly({QStringLiteral("name")});
                if (item.parts.size() >= MaxParts)
                    fail(QStringLiteral("more than %1 parts in one join").arg(MaxParts));
                item.parts << identifier(QStringLiteral("name"));
                children([&](const QString &) { unexpected(QStringLiteral("<part>"), QStringLiteral("it holds nothing")); });
            });
            if (item.parts.isEmpty())
                fail(QStringLiteral("a <join> without any <part>"), item.line);
        } else {
            children([&](const QString &) { unexpected(QStringLiteral("<%1>").arg(name), QStringLiteral("it holds nothing")); });
        }
    }

    int fontIndex()
    {
        if (!has(QStringLiteral("font")))
            return 0;
        const QString name = attribute(QStringLiteral("font"));
        for (int i = 0; i < m_d.fonts.size(); ++i)
            if (m_d.fonts.at(i).name == name)
                return i;
        fail(QStringLiteral("there is no font named %1 (fonts are declared before the bands)").arg(quoted(name)));
    }

    ReportDefinition &m_d;
    QXmlStreamReader m_x;
    bool m_collectText = false;
    QString m_text; // the characters of the <text> item being read
    int m_items = 0;
};

} // namespace

ReportDefinitionError::ReportDefinitionError(const QString &fileName, qint64 line, const QString &fault)
    : VarnexError(QStringLiteral("The report definition \"%1\" cannot be used: line %2: %3").arg(fileName).arg(line).arg(fault)),
      m_fileName(fileName), m_line(line), m_fault(fault)
{
}

QSizeF ReportPageSetup::size() const
{
    return orientation == QPageLayout::Landscape ? paper.transposed() : paper;
}

double ReportPageSetup::printableWidth() const
{
    return size().width() - margins.left() - margins.right();
}

double ReportPageSetup::printableHeight() const
{
    return size().height() - margins.top() - margins.bottom();
}

QPageLayout ReportPageSetup::pageLayout() const
{
    // The report places everything itself, margins included, so the device's own margins are 0.
    return QPageLayout(QPageSize(paper, QPageSize::Millimeter, QString(), QPageSize::ExactMatch), orientation,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

ReportDefinition ReportDefinition::read(const QByteArray &bytes, const QString &fileName)
{
    ReportDefinition definition;
    definition.fileName = fileName;
    if (bytes.size() > MaxBytes)
        throw definition.errorAt(0, QStringLiteral("the file is larger than %1 KiB").arg(MaxBytes / 1024));
    definition.source = bytes;
    Reader(bytes, definition).run();
    return definition;
}
