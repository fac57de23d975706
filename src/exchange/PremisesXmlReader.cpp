#include "exchange/PremisesXmlReader.h"

#include "base/VarnexError.h"
#include "exchange/XmlFaults.h"

#include <QBuffer>
#include <QXmlStreamReader>

namespace {

const QString CpRoot = QStringLiteral("CPVRXPREM_ME");
const QString CpRecord = QStringLiteral("CPVRXPREM_ME.CP");
const QString V3Root = QStringLiteral("PremisesData");
const QString V3List = QStringLiteral("PremisesList");
const QString V3Record = QStringLiteral("Premises");
const QString FileInfo = QStringLiteral("FileInfo");

class Walker
{
public:
    Walker(QIODevice &device, const QString &documentName, PremisesXmlReader &owner)
        : m_xml(&device), m_documentName(documentName), m_owner(owner)
    {
    }

    PremisesXmlLayout run()
    {
        if (!nextStart())
            fail(QStringLiteral("it holds no element."));
        const QString root = name();
        if (root == CpRoot) {
            m_layout = PremisesXmlLayout::CP;
            while (nextStart()) {
                if (name() == CpRecord)
                    record();
                else
                    skip();
            }
        } else if (root == V3Root) {
            bool decided = false;
            while (nextStart()) {
                const QString child = name();
                if (child == FileInfo) {
                    PremisesXmlReader::Record info;
                    info.line = m_xml.lineNumber();
                    readLeaves(info);
                    if (m_owner.OnFileInfo)
                        m_owner.OnFileInfo(info);
                } else if (child == V3List) {
                    premisesList(decided);
                } else {
                    skip();
                }
            }
        } else {
            fail(QStringLiteral("its root element is %1; a premises file has %2 or %3.").arg(root, CpRoot, V3Root));
        }
        // The rest of the document is read too, so that damage after the records is found.
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            check();
        }
        check();
        return m_layout;
    }

private:
    [[noreturn]] void fail(const QString &what)
    {
        throw VarnexError(QStringLiteral("The file %1 cannot be read as premises XML: line %2, column %3: %4")
                              .arg(m_documentName)
                              .arg(m_xml.lineNumber())
                              .arg(m_xml.columnNumber())
                              .arg(what));
    }

    void check()
    {
        if (m_xml.hasError())
            fail(XmlFaults::streamReaderFault(m_xml));
        if (m_xml.tokenType() == QXmlStreamReader::EntityReference)
            fail(QStringLiteral("the entity %1 is not defined in the file.").arg(m_xml.name().toString()));
        // The parser would read a reference to an outside entity as nothing, losing that text
        // without a word; such a document is refused.
        if (m_xml.tokenType() == QXmlStreamReader::DTD) {
            const QXmlStreamEntityDeclarations entities = m_xml.entityDeclarations();
            for (const QXmlStreamEntityDeclaration &entity : entities)
                if (!entity.systemId().isEmpty() || !entity.publicId().isEmpty())
                    fail(QStringLiteral("it declares the entity %1 from outside the file, which is never read.")
                             .arg(entity.name().toString()));
        }
    }

    // The next start element inside the current one; false at its end.
    bool nextStart()
    {
        for (;;) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            check();
            if (token == QXmlStreamReader::StartElement)
                return true;
            if (token == QXmlStreamReader::EndElement || token == QXmlStreamReader::EndDocument
                || token == QXmlStreamReader::Invalid)
                return false;
        }
    }

    QString name() const { return PremisesXmlReader::RepairElementName(m_xml.name()); }

    void skip()
    {
        int depth = 1;
        while (depth > 0) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            check();
            if (token == QXmlStreamReader::StartElement)
                ++depth;
            else if (token == QXmlStreamReader::EndElement)
                --depth;
            else if (token == QXmlStreamReader::EndDocument || token == QXmlStreamReader::Invalid)
                fail(QStringLiteral("the document ends inside an element."));
        }
    }

    // The text of the current element, that of its children included.
    QString text()
    {
        QString value;
        int depth = 1;
        while (depth > 0) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            check();
            if (token == QXmlStreamReader::Characters)
                value += m_xml.text();
            else if (token == QXmlStreamReader::StartElement)
                ++depth;
            else if (token == QXmlStreamReader::EndElement)
                --depth;
            else if (token == QXmlStreamReader::EndDocument || token == QXmlStreamReader::Invalid)
                fail(QStringLiteral("the document ends inside an element."));
        }
        return value;
    }

    void readLeaves(PremisesXmlReader::Record &into)
    {
        while (nextStart()) {
            const QString leaf = name();
            into.leaves.append({leaf, text()});
        }
    }

    void emitRecord(PremisesXmlReader::Record &r)
    {
        r.number = ++m_records;
        r.layout = m_layout;
        if (m_owner.OnRecord)
            m_owner.OnRecord(r);
    }

    void record()
    {
        PremisesXmlReader::Record r;
        r.line = m_xml.lineNumber();
        readLeaves(r);
        emitRecord(r);
    }

    // A PremisesList that holds Premises records (V3), or is a record itself (CAPS). An empty one
    // holds no records.
    void premisesList(bool &decided)
    {
        const qint64 line = m_xml.lineNumber();
        if (!nextStart())
            return;
        if (name() == V3Record) {
            if (!decided)
                m_layout = PremisesXmlLayout::V3;
            decided = true;
            do {
                if (name() == V3Record)
                    record();
                else
                    skip();
            } while (nextStart());
            return;
        }
        if (!decided)
            m_layout = PremisesXmlLayout::CAPS;
        decided = true;
        PremisesXmlReader::Record r;
        r.line = line;
        const QString first = name();
        r.leaves.append({first, text()});
        readLeaves(r);
        emitRecord(r);
    }

    QXmlStreamReader m_xml;
    QString m_documentName;
    PremisesXmlReader &m_owner;
    int m_records = 0;
    PremisesXmlLayout m_layout = PremisesXmlLayout::V3;
};

} // namespace

QString PremisesXmlReader::Record::leaf(QStringView name) const
{
    return leafIfPresent(name).value_or(QString());
}

std::optional<QString> PremisesXmlReader::Record::leafIfPresent(QStringView name) const
{
    for (const auto &l : leaves)
        if (l.first == name)
            return l.second;
    return std::nullopt;
}

PremisesXmlLayout PremisesXmlReader::Read(QIODevice &device, const QString &documentName)
{
    return Walker(device, documentName, *this).run();
}

PremisesXmlLayout PremisesXmlReader::Read(const QByteArray &xml, const QString &documentName)
{
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    return Read(buffer, documentName);
}

QString PremisesXmlReader::RepairElementName(QStringView name)
{
    QString repaired = name.toString();
    repaired.replace(QLatin1String("Premies"), QLatin1String("Premises"));
    if (repaired.endsWith(QLatin1String("ME.EHCP")))
        repaired.replace(repaired.size() - 4, 4, QStringLiteral("CP"));
    return repaired;
}
