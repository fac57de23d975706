#include "samples/SampleLabel_Unt.h"

#include "base/VarnexError.h"
#include "reference/TextLines.h"

#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

using TextMember = QString TFoodLabel::*;

struct TextProperty
{
    const char *name;
    TextMember member;
};

// Every text property, in the order the structured text holds them.
const TextProperty TextProperties[] = {
    {"MeatContentDeclared", &TFoodLabel::MeatContentDeclared},
    {"MeatContentDecaration", &TFoodLabel::MeatContentDecaration},
    {"PresevativesDeclared", &TFoodLabel::PresevativesDeclared},
    {"PreservativesDeclaration", &TFoodLabel::PreservativesDeclaration},
    {"OtheradditivesDeclared", &TFoodLabel::OtheradditivesDeclared},
    {"OtherAdditivesDeclaration", &TFoodLabel::OtherAdditivesDeclaration},
    {"AddedWaterDeclared", &TFoodLabel::AddedWaterDeclared},
    {"AddedWaterDeclaration", &TFoodLabel::AddedWaterDeclaration},
    {"AlergenNoticeDeclared", &TFoodLabel::AlergenNoticeDeclared},
    {"AlergenNoticeDeclaration", &TFoodLabel::AlergenNoticeDeclaration},
    {"SuitableForVegetarians", &TFoodLabel::SuitableForVegetarians},
    {"NotSuitableForVegetarians", &TFoodLabel::NotSuitableForVegetarians},
    {"OtherDeclarationsDeclared", &TFoodLabel::OtherDeclarationsDeclared},
    {"OtherDeclarations", &TFoodLabel::OtherDeclarations},
};

const QString NoDeclaration = QStringLiteral("***");

// The characters of XML 1.0: tab, line feed, carriage return, and from the blank up, without the
// surrogates standing alone and U+FFFE, U+FFFF.
QString xmlSafe(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
            continue;
        }
        const char16_t u = c.unicode();
        if (u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u < 0xD800) || (u >= 0xE000 && u < 0xFFFE))
            out += c;
    }
    return out;
}

QStringList declarationLines(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(breaks);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

QString TFoodLabel::AsFormattedText() const
{
    struct Block
    {
        const char *title;
        const QString &declared;
        const QString &declaration;
    };
    const Block blocks[] = {
        {"Meat content", MeatContentDeclared, MeatContentDecaration},
        {"Preservatives", PresevativesDeclared, PreservativesDeclaration},
        {"Other additives", OtheradditivesDeclared, OtherAdditivesDeclaration},
        {"Added water", AddedWaterDeclared, AddedWaterDeclaration},
        {"Alergen notice", AlergenNoticeDeclared, AlergenNoticeDeclaration},
        {"Suitable for vegetarians", SuitableForVegetarians, NoDeclaration},
        {"Not suitable for vegatarians", NotSuitableForVegetarians, NoDeclaration},
        {"Any other declarations", OtherDeclarationsDeclared, OtherDeclarations},
    };
    QStringList lines;
    const QString indent(4, QLatin1Char(' '));
    for (const Block &b : blocks) {
        if (b.declared.isEmpty())
            continue;
        lines << (QString::fromLatin1(b.title) + QLatin1Char(':')).leftJustified(25, QLatin1Char(' '), true);
        lines << indent + QStringLiteral("Declared:").leftJustified(14) + b.declared;
        if (!b.declaration.isEmpty() && b.declaration != NoDeclaration) {
            lines << indent + QStringLiteral("Declaration:").leftJustified(14);
            for (const QString &line : declarationLines(b.declaration))
                lines << QString(12, QLatin1Char(' ')) + line;
        }
    }
    QString out;
    for (const QString &line : std::as_const(lines))
        out += line + QStringLiteral("\r\n");
    return out;
}

QString TFoodLabel::AsXML() const
{
    QString xml;
    QXmlStreamWriter w(&xml);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("FoodLabel"));
    w.writeAttribute(QStringLiteral("version"), QString::number(XmlVersion));
    for (const TextProperty &p : TextProperties)
        w.writeTextElement(QString::fromLatin1(p.name), xmlSafe(this->*p.member));
    w.writeTextElement(QStringLiteral("ExpiryDate"), ExpiryDate.isValid() ? ExpiryDate.toString(Qt::ISODateWithMs) : QString());
    w.writeEndElement();
    w.writeEndDocument();
    return xml;
}

void TFoodLabel::SetAsXML(const QString &xml)
{
    const auto fail = [](const QString &why) {
        throw VarnexError(QStringLiteral("The label details cannot be read: %1").arg(why));
    };
    QXmlStreamReader r(xml);
    while (!r.atEnd() && !r.isStartElement()) {
        r.readNext();
        // Entities of a document type could pull in other files; a label never has one.
        if (r.isDTD())
            fail(QStringLiteral("it holds a document type declaration."));
    }
    if (!r.isStartElement())
        fail(r.hasError() ? r.errorString() : QStringLiteral("the text holds no label."));
    if (r.name() != QLatin1String("FoodLabel"))
        fail(QStringLiteral("it is not a label (\"%1\").").arg(r.name().toString()));
    bool versionOk = false;
    const int version = r.attributes().value(QLatin1String("version")).toInt(&versionOk);
    if (!versionOk || version < 1 || version > XmlVersion)
        fail(QStringLiteral("its version \"%1\" is not one this program reads.")
                 .arg(r.attributes().value(QLatin1String("version")).toString()));

    TFoodLabel read;
    while (r.readNextStartElement()) {
        const QString name = r.name().toString();
        const QString text = r.readElementText(QXmlStreamReader::SkipChildElements);
        if (r.hasError())
            break;
        bool known = false;
        for (const TextProperty &p : TextProperties) {
            if (name == QLatin1String(p.name)) {
                // XML turns CR LF into LF; the texts keep CR LF between lines as they were written.
                read.*p.member = TextLines::forStore(text);
                known = true;
            }
        }
        if (!known && name == QLatin1String("ExpiryDate") && !text.isEmpty()) {
            read.ExpiryDate = QDateTime::fromString(text, Qt::ISODateWithMs);
            if (!read.ExpiryDate.isValid())
                fail(QStringLiteral("the expiry date \"%1\" is not a date.").arg(text));
        }
    }
    while (!r.atEnd() && !r.hasError())
        r.readNext();
    if (r.hasError())
        fail(QStringLiteral("%1 (line %2)").arg(r.errorString()).arg(r.lineNumber()));
    *this = read;
}

const QStringList &TFoodLabel::VegetarianStatements()
{
    static const QStringList list = {
        QStringLiteral("Suitable for vegetarians"), QStringLiteral("Not suitable for vegetarians"),
        QStringLiteral("Suitable for vegans"), QStringLiteral("Not suitable for vegans"),
        QStringLiteral("Other (detail under other declarations)")};
    return list;
}

const QStringList &TFoodLabel::Allergens()
{
    static const QStringList list = {
        QStringLiteral("The following cereals containing gluten: wheat, rye, barley, oats, spelt, kamut and their "
                       "hybridised strains"),
        QStringLiteral("Crustaceans"),
        QStringLiteral("Eggs"),
        QStringLiteral("Fish"),
        QStringLiteral("Peanuts"),
        QStringLiteral("Soybeans"),
        QStringLiteral("Milk"),
        QStringLiteral("The following nuts: Almond, Hazelnut, Walnut , Cashew, Pecan nut, Brazil nut, Pistachio nut, "
                       "Macadamia nut and Queensland nut"),
        QStringLiteral("Celery"),
        QStringLiteral("Mustard"),
        QStringLiteral("Sesame seeds"),
        QStringLiteral("Sulphur dioxide and sulphites at concentrations of more than 10 mg/kg or 10 mg/litre expressed "
                       "as SO2."),
        QStringLiteral("Molluscs"),
        QStringLiteral("Lupin")};
    return list;
}

const QStringList &TFoodLabel::OtherAdditives()
{
    static const QStringList list = {QStringLiteral("Anti-oxidants"), QStringLiteral("Artificial sweetener"),
                                     QStringLiteral("Colour"),        QStringLiteral("Flavour enhancer"),
                                     QStringLiteral("Flavouring"),    QStringLiteral("Preservatives"),
                                     QStringLiteral("MSG")};
    return list;
}
