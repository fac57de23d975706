#include "exchange/XmlTree.h"

#include "exchange/XmlFaults.h"

#include <QBuffer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <limits>

namespace {

QString readErrorText(const QString &source, qint64 line, qint64 column, const QString &reason)
{
    const QString where = QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(reason);
    return source.isEmpty() ? where : source + QStringLiteral(": ") + where;
}

// XML 1.0's Char production, for one UTF-16 unit; surrogates are judged in pairs by the caller.
bool isCarriableUnit(char16_t c)
{
    if (c < 0x20)
        return c == 0x09 || c == 0x0A || c == 0x0D;
    return c != 0xFFFE && c != 0xFFFF;
}

} // namespace

XmlReadError::XmlReadError(const QString &source, qint64 line, qint64 column, const QString &reason)
    : VarnexError(readErrorText(source, line, column, reason)), m_line(line), m_column(column), m_reason(reason)
{
}

XmlTree::XmlTree(const QStringList &names)
{
    for (const QString &n : names)
        name(n);
}

void XmlTree::clear()
{
    m_blocks = decltype(m_blocks)();
    m_count = 0;
    m_texts = decltype(m_texts)();
    m_root = NoNode;
}

XmlTree::Name XmlTree::name(const QString &text)
{
    const auto it = m_nameIds.constFind(text);
    if (it != m_nameIds.cend())
        return it.value();
    const Name id = Name(m_names.size());
    m_names.append(text);
    m_nameIds.insert(text, id);
    return id;
}

XmlTree::Node XmlTree::newNode(Name name)
{
    if (m_count == NoNode)
        throw VarnexError(QStringLiteral("The XML document has too many elements."));
    if ((m_count & NodeBlockMask) == 0)
        m_blocks.push_back(std::make_unique<Element[]>(size_t(NodeBlockMask) + 1));
    const Node n = m_count++;
    element(n).name = name;
    return n;
}

XmlTree::Node XmlTree::createRoot(Name name)
{
    clear();
    m_root = newNode(name);
    return m_root;
}

XmlTree::Node XmlTree::findChild(Node parent, Name name) const
{
    for (Node c = element(parent).firstChild; c != NoNode; c = element(c).next)
        if (element(c).name == name)
            return c;
    return NoNode;
}

XmlTree::Node XmlTree::child(Node parent, Name name)
{
    const Node found = findChild(parent, name);
    return found != NoNode ? found : appendChild(parent, name);
}

XmlTree::Node XmlTree::appendChild(Node parent, Name name)
{
    const Node n = newNode(name);
    Element &p = element(parent);
    if (p.lastChild == NoNode)
        p.firstChild = n;
    else
        element(p.lastChild).next = n;
    p.lastChild = n;
    return n;
}

XmlTree::Node XmlTree::insertChild(Node parent, Name name, Node before)
{
    if (before == NoNode)
        return appendChild(parent, name);
    const Node n = newNode(name);
    Element &p = element(parent);
    element(n).next = before;
    if (p.firstChild == before) {
        p.firstChild = n;
        return n;
    }
    Node previous = p.firstChild;
    while (previous != NoNode && element(previous).next != before)
        previous = element(previous).next;
    if (previous == NoNode)
        throw VarnexError(QStringLiteral("The element to insert before is not a child of this element."));
    element(previous).next = n;
    return n;
}

std::vector<XmlTree::Node> XmlTree::children(Node parent, Name name) const
{
    std::vector<Node> found;
    for (Node c = element(parent).firstChild; c != NoNode; c = element(c).next)
        if (element(c).name == name)
            found.push_back(c);
    return found;
}

bool XmlTree::isCarriable(QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
                ++i;
                continue;
            }
            return false;
        }
        if (QChar::isLowSurrogate(c) || !isCarriableUnit(c))
            return false;
    }
    return true;
}

QString XmlTree::carriableText(QStringView text)
{
    if (isCarriable(text))
        return text.toString();
    QString clean;
    clean.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            clean.append(text[i]);
            clean.append(text[++i]);
        } else if (c < 0x20 || QChar::isSurrogate(c) || !isCarriableUnit(c)) {
            clean.append(QLatin1Char(' '));
        } else {
            clean.append(text[i]);
        }
    }
    return clean;
}

void XmlTree::setText(Node node, QStringView text)
{
    Element &e = element(node);
    if (text.isEmpty()) {
        e.textAt = 0;
        e.textLength = 0;
        return;
    }
    const auto store = [&](QStringView carriable) {
        const qsizetype length = carriable.size();
        if (quint64(length) > std::numeric_limits<quint32>::max())
            throw VarnexError(QStringLiteral("A text of the XML document is too long."));
        if (m_texts.empty() || m_texts.back().size() + length > TextOffsetMask + 1) {
            if (m_texts.size() > (std::numeric_limits<quint32>::max() >> TextOffsetBits))
                throw VarnexError(QStringLiteral("The XML document holds too much text."));
            m_texts.emplace_back();
            m_texts.back().reserve(std::max<qsizetype>(length, TextOffsetMask + 1));
        }
        QString &block = m_texts.back();
        e.textAt = quint32((m_texts.size() - 1) << TextOffsetBits) | quint32(block.size());
        e.textLength = quint32(length);
        block.append(carriable);
    };
    if (isCarriable(text))
        store(text);
    else
        store(carriableText(text));
}

XmlElementWriter::XmlElementWriter(QIODevice &device) : m_device(device), m_writer(&device)
{
    m_writer.setAutoFormatting(true);
    m_writer.setAutoFormattingIndent(2);
    m_writer.writeStartDocument();
}

void XmlElementWriter::startElement(const QString &name)
{
    m_writer.writeStartElement(name);
}

void XmlElementWriter::endElement()
{
    m_writer.writeEndElement();
}

void XmlElementWriter::leaf(const QString &name, QStringView text)
{
    if (text.isEmpty()) {
        m_writer.writeEmptyElement(name);
        return;
    }
    m_writer.writeStartElement(name);
    if (XmlTree::isCarriable(text))
        characters(text);
    else
        characters(XmlTree::carriableText(text));
    m_writer.writeEndElement();
}

void XmlElementWriter::characters(QStringView text)
{
    // The writer passes a carriage return through as it is, and a reader turns it into a line
    // feed; a character reference keeps it.
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QLatin1Char('\r'))
            continue;
        if (i > start) {
            const QStringView part = text.mid(start, i - start);
            m_writer.writeCharacters(QString::fromRawData(part.data(), part.size()));
        }
        if (i < text.size())
            m_writer.writeEntityReference(QStringLiteral("#13"));
        start = i + 1;
    }
}

void XmlElementWriter::check() const
{
    if (m_writer.hasError())
        throw VarnexError(QStringLiteral("The XML document could not be written: %1").arg(m_device.errorString()));
}

void XmlElementWriter::finish()
{
    m_writer.writeEndDocument();
    check();
}

void XmlTree::write(QIODevice &device) const
{
    XmlElementWriter writer(device);
    // Depth first without recursion, so that no document is too deep to write.
    std::vector<Node> nextChild; // per open element, the child to write next
    const auto start = [&](Node n) {
        const Element &e = element(n);
        if (e.firstChild == NoNode) {
            writer.leaf(m_names.at(e.name), text(n));
            return;
        }
        writer.startElement(m_names.at(e.name));
        if (e.textLength > 0)
            writer.characters(text(n));
        nextChild.push_back(e.firstChild);
    };
    if (m_root != NoNode)
        start(m_root);
    while (!nextChild.empty()) {
        const Node c = nextChild.back();
        if (c == NoNode) {
            writer.endElement();
            nextChild.pop_back();
            continue;
        }
        nextChild.back() = element(c).next;
        start(c);
    }
    writer.finish();
}

QByteArray XmlTree::toXml() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return bytes;
}

void XmlTree::read(QIODevice &device, const QString &source, const QString &rootName)
{
    clear();
    QXmlStreamReader reader(&device);
    reader.setNamespaceProcessing(false);
    struct Open
    {
        Node node;
        QString text;
        bool hasChildren = false;
    };
    std::vector<Open> open;
    const auto refuse = [&](const QString &reason) {
        const qint64 line = reader.lineNumber();
        const qint64 column = reader.columnNumber();
        clear();
        throw XmlReadError(source, line, column, reason);
    };
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            refuse(QStringLiteral("a document type declaration is not accepted"));
            break;
        case QXmlStreamReader::EntityReference:
            refuse(QStringLiteral("the entity reference \"&%1;\" is not resolved").arg(reader.name()));
            break;
        case QXmlStreamReader::StartElement: {
            if (open.size() >= MaxDepth)
                refuse(QStringLiteral("the elements are nested deeper than %1 levels").arg(MaxDepth));
            const QString element = reader.qualifiedName().toString();
            Node n;
            if (open.empty()) {
                if (element != rootName)
                    refuse(QStringLiteral("the root element is <%1>, not <%2>").arg(element, rootName));
                n = createRoot(name(element));
            } else {
                open.back().hasChildren = true;
                n = appendChild(open.back().node, name(element));
            }
            open.push_back({n, QString(), false});
            break;
        }
        case QXmlStreamReader::Characters:
            if (!open.empty())
                open.back().text.append(reader.text());
            break;
        case QXmlStreamReader::EndElement: {
            const Open &e = open.back();
            // Beside child elements, the white space around them is layout, not text.
            const QString text = e.hasChildren ? e.text.trimmed() : e.text;
            if (!text.isEmpty())
                setText(e.node, text);
            open.pop_back();
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError())
        refuse(XmlFaults::streamReaderFault(reader));
}
