#pragma once

#include "base/VarnexError.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

#include <QXmlStreamWriter>

class QIODevice;

// An XML document that could not be read: it is not well-formed, carries a document type
// declaration (never resolved here), or has another root element than the one asked for. The
// message names the source, the line and the column.
class XmlReadError : public VarnexError
{
public:
    XmlReadError(const QString &source, qint64 line, qint64 column, const QString &reason);
    qint64 line() const { return m_line; }
    qint64 column() const { return m_column; }
    QString reason() const { return m_reason; }

private:
    qint64 m_line;
    qint64 m_column;
    QString m_reason;
};

// Writes a document of elements and text, element by element, in the form XmlTree::write gives a
// tree: UTF-8 with the XML declaration, each element on a line of its own indented by two blanks a
// level, every text made carriable (XmlTree::carriableText) and a carriage return written as
// "&#13;". A document of any size is thus written without ever being held.
class XmlElementWriter
{
public:
    // Writes the XML declaration.
    explicit XmlElementWriter(QIODevice &device);

    void startElement(const QString &name);
    void endElement();
    // An element holding only text; "<name/>" when the text is empty.
    void leaf(const QString &name, QStringView text);
    // Throws VarnexError when a write has failed (the device's words in the message), so that a
    // long document stops at the first failure.
    void check() const;
    // Closes every open element and ends the document; throws as check() does.
    void finish();

private:
    friend class XmlTree;
    // The text as it stands: the caller has made it carriable.
    void characters(QStringView text);

    QIODevice &m_device;
    QXmlStreamWriter m_writer;
};

// A small ordered tree of XML elements for documents made of elements and text only (no
// attributes, no namespaces): each element has a name, a text and its child elements in order.
// It is built by code or read from XML, and written as UTF-8 with each element on a line of its
// own, indented by two blanks a level.
//
// Elements and names are small numbers: the tree keeps its elements and its texts in blocks that
// never move, so that a document of many thousand elements costs little more than its text and
// is never copied as it grows.
//
// Every text the tree holds can be written as XML 1.0. A text holding a character that XML 1.0
// cannot carry (a control character other than tab, line feed and carriage return, U+FFFE,
// U+FFFF, half of a surrogate pair) is stored with every such character and every character below
// U+0020 turned into a blank (carriableText). A carriage return is written as "&#13;", so that a
// text reads back as it was stored.
class XmlTree
{
public:
    using Node = quint32;
    using Name = quint32;
    static constexpr Node NoNode = 0xFFFFFFFFu;
    static constexpr Name NoName = 0xFFFFFFFFu;
    // The deepest nesting read accepts; an indented document grows with the square of its depth.
    static constexpr size_t MaxDepth = 1000;

    // The names are given the ids 0, 1, 2, ... in this order (a name given twice keeps its first).
    explicit XmlTree(const QStringList &names = {});

    // Removes every element and frees their memory; the names stay.
    void clear();
    bool isEmpty() const { return m_root == NoNode; }
    int elementCount() const { return int(m_count); }

    // The id of a name, taken into the tree's names when it is new.
    Name name(const QString &text);
    // The id of a name, or NoName when the tree has none of that text.
    Name findName(const QString &text) const { return m_nameIds.value(text, NoName); }
    const QString &nameText(Name name) const { return m_names.at(name); }

    Node root() const { return m_root; }
    // Makes a new root element; the old root and everything below it are discarded.
    Node createRoot(Name name);

    Name nodeName(Node node) const { return element(node).name; }
    Node firstChild(Node node) const { return element(node).firstChild; }
    Node nextSibling(Node node) const { return element(node).next; }
    // The first child of that name, or NoNode.
    Node findChild(Node parent, Name name) const;
    // The first child of that name, appended as the parent's last child when there is none.
    Node child(Node parent, Name name);
    Node appendChild(Node parent, Name name);
    // A new child placed before `before` (a child of parent), or appended when before is NoNode.
    Node insertChild(Node parent, Name name, Node before);
    // The children of that name, in order.
    std::vector<Node> children(Node parent, Name name) const;

    QStringView text(Node node) const
    {
        const Element &e = element(node);
        if (e.textLength == 0)
            return {};
        return QStringView(m_texts[e.textAt >> TextOffsetBits]).mid(e.textAt & TextOffsetMask, e.textLength);
    }
    // Replaces the element's text with carriableText(text).
    void setText(Node node, QStringView text);

    // Writes the document: the XML declaration (version 1.0, UTF-8), then the root element.
    // Throws VarnexError when the writer or the device fails.
    void write(QIODevice &device) const;
    QByteArray toXml() const;

    // Replaces the tree with the document read from the device. The root element must be named
    // rootName. Attributes, comments and processing instructions are skipped. The text of an
    // element without child elements is kept as it stands; the text of one with child elements
    // (which these documents never have) without the white space around it.
    // Throws XmlReadError (naming `source`) for a document that is not well-formed, has a
    // document type declaration, another root or elements nested deeper than MaxDepth; the tree is
    // then empty.
    void read(QIODevice &device, const QString &source, const QString &rootName);

    // The text as the tree stores it: unchanged when XML 1.0 can carry every character of it;
    // otherwise every character XML 1.0 cannot carry and every character below U+0020 (tab,
    // line feed and carriage return included) becomes a blank.
    static QString carriableText(QStringView text);
    // Whether XML 1.0 can carry every character of the text.
    static bool isCarriable(QStringView text);

private:
    struct Element
    {
        Node firstChild = NoNode;
        Node lastChild = NoNode;
        Node next = NoNode;
        Name name = NoName;
        quint32 textAt = 0; // the text block (high bits) and the offset in it (TextOffsetBits)
        quint32 textLength = 0;
    };
    // Elements and texts live in blocks that never move, so that a growing document is never
    // copied: 16384 elements a block, and texts in blocks of 1M characters (a longer text has a
    // block of its own).
    static constexpr int NodeBlockBits = 14;
    static constexpr quint32 NodeBlockMask = (1u << NodeBlockBits) - 1;
    static constexpr int TextOffsetBits = 20;
    static constexpr quint32 TextOffsetMask = (1u << TextOffsetBits) - 1;

    const Element &element(Node n) const { return m_blocks[n >> NodeBlockBits][n & NodeBlockMask]; }
    Element &element(Node n) { return m_blocks[n >> NodeBlockBits][n & NodeBlockMask]; }
    Node newNode(Name name);

    std::vector<std::unique_ptr<Element[]>> m_blocks;
    quint32 m_count = 0;
    std::vector<QString> m_texts;
    Node m_root = NoNode;
    QStringList m_names;
    QHash<QString, Name> m_nameIds;
};
