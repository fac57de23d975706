#include "exchange/VRXSampleXML_19102011_Unt.h"

#include "base/AtomicFile.h"

#include <QBuffer>
#include <QFile>

#include <vector>

#define VRX_LEAF_DECL(name, type) {#name, TXMLLeafType::type},

const QList<TXMLLeafDecl> &FileInfoLeaves()
{
    static const QList<TXMLLeafDecl> leaves{VRX_FILEINFO_LEAVES(VRX_LEAF_DECL)};
    return leaves;
}

const QList<TXMLLeafDecl> &SampleLeaves()
{
    static const QList<TXMLLeafDecl> leaves{VRX_SAMPLE_LEAVES(VRX_LEAF_DECL)};
    return leaves;
}

const QList<TXMLLeafDecl> &ResultLeaves()
{
    static const QList<TXMLLeafDecl> leaves{VRX_RESULT_LEAVES(VRX_LEAF_DECL)};
    return leaves;
}

const QList<TXMLLeafDecl> &OutcomeLeaves()
{
    static const QList<TXMLLeafDecl> leaves{VRX_OUTCOME_LEAVES(VRX_LEAF_DECL)};
    return leaves;
}

#undef VRX_LEAF_DECL

namespace {

// Every element name of the document, each once, and the id each has in every document's tree:
// the trees are made with these names in this order.
struct Vocabulary
{
    QStringList names;
    XmlTree::Name root, fileInfo, sample, result, outcome;
    std::vector<XmlTree::Name> fileInfoLeaves, sampleLeaves, resultLeaves, outcomeLeaves;

    Vocabulary()
    {
        XmlTree ids;
        const auto add = [&](const QString &name) {
            const XmlTree::Name id = ids.name(name);
            if (id == XmlTree::Name(names.size()))
                names.append(name);
            return id;
        };
        root = add(SampleXmlNames::Root);
        fileInfo = add(SampleXmlNames::FileInfo);
        sample = add(SampleXmlNames::Sample);
        result = add(SampleXmlNames::Result);
        outcome = add(SampleXmlNames::Outcome);
        const auto addLeaves = [&](const QList<TXMLLeafDecl> &leaves, std::vector<XmlTree::Name> &out) {
            for (const TXMLLeafDecl &leaf : leaves)
                out.push_back(add(QLatin1String(leaf.Name)));
        };
        addLeaves(FileInfoLeaves(), fileInfoLeaves);
        addLeaves(SampleLeaves(), sampleLeaves);
        addLeaves(ResultLeaves(), resultLeaves);
        addLeaves(OutcomeLeaves(), outcomeLeaves);
    }
};

const Vocabulary &vocabulary()
{
    static const Vocabulary v;
    return v;
}

} // namespace

namespace SampleXmlIds {
XmlTree::Name root() { return vocabulary().root; }
XmlTree::Name fileInfo() { return vocabulary().fileInfo; }
XmlTree::Name sample() { return vocabulary().sample; }
XmlTree::Name result() { return vocabulary().result; }
XmlTree::Name outcome() { return vocabulary().outcome; }
XmlTree::Name fileInfoLeaf(TXMLFileInfoLeaf leaf) { return vocabulary().fileInfoLeaves[size_t(leaf)]; }
XmlTree::Name sampleLeaf(TXMLSampleLeaf leaf) { return vocabulary().sampleLeaves[size_t(leaf)]; }
XmlTree::Name resultLeaf(TXMLResultLeaf leaf) { return vocabulary().resultLeaves[size_t(leaf)]; }
XmlTree::Name outcomeLeaf(TXMLOutcomeLeaf leaf) { return vocabulary().outcomeLeaves[size_t(leaf)]; }
} // namespace SampleXmlIds

TXMLDocument::TXMLDocument() : m_tree(std::make_shared<XmlTree>(vocabulary().names))
{
}

void TXMLDocument::Clear()
{
    m_tree->clear();
}

QByteArray TXMLDocument::XML() const
{
    return m_tree->toXml();
}

void TXMLDocument::SaveToFile(const QString &fileName) const
{
    AtomicFileWriter file(fileName);
    QString error;
    if (!file.open(&error))
        throw VarnexError(error);
    try {
        m_tree->write(file);
    } catch (const VarnexError &e) {
        // Nothing is committed: the old file stays. The file's words say more than the writer's.
        throw VarnexError(file.errorString().isEmpty() ? QStringLiteral("Cannot write file '%1': %2").arg(fileName, e.message())
                                                       : file.errorString());
    }
    if (!file.commit(&error))
        throw VarnexError(error);
}

void TXMLDocument::read(QIODevice &device, const QString &source)
{
    m_tree->read(device, source, SampleXmlNames::Root);
}

TXMLDocument TXMLDocument::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("Cannot open file '%1': %2").arg(fileName, file.errorString()));
    TXMLDocument document;
    document.read(file, fileName);
    return document;
}

TXMLDocument TXMLDocument::LoadFromData(const QByteArray &xml, const QString &source)
{
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    TXMLDocument document;
    document.read(buffer, source);
    return document;
}

QString TXMLElement::leafText(XmlTree::Name name) const
{
    const XmlTree::Node leaf = IsNull() ? XmlTree::NoNode : m_tree->findChild(m_node, name);
    return leaf == XmlTree::NoNode ? QString() : m_tree->text(leaf).toString();
}

void TXMLElement::setLeafText(XmlTree::Name name, QStringView text)
{
    m_tree->setText(m_tree->child(m_node, name), text);
}

qint64 TXMLElement::leafInteger(XmlTree::Name name) const
{
    return leafText(name).trimmed().toLongLong();
}

void TXMLElement::setLeafInteger(XmlTree::Name name, qint64 value)
{
    setLeafText(name, IntegerText(value));
}

bool TXMLElement::leafBoolean(XmlTree::Name name) const
{
    const QString text = leafText(name).trimmed();
    return text == QLatin1String("true") || text == QLatin1String("1");
}

void TXMLElement::setLeafBoolean(XmlTree::Name name, bool value)
{
    setLeafText(name, BooleanText(value));
}

bool TXMLSampleType::HasLeaf(TXMLSampleLeaf leaf) const
{
    return !IsNull() && m_tree->findChild(m_node, SampleXmlIds::sampleLeaf(leaf)) != XmlTree::NoNode;
}

TXMLFileInfo TXMLQOVAData::FileInfo()
{
    return TXMLFileInfo(m_tree, m_tree->child(m_node, SampleXmlIds::fileInfo()));
}

TXMLFileInfo TXMLQOVAData::FileInfo() const
{
    return TXMLFileInfo(m_tree, m_tree->findChild(m_node, SampleXmlIds::fileInfo()));
}

TXMLQOVAData GetQOVAData(TXMLDocument &document)
{
    XmlTree &tree = *document.m_tree;
    const XmlTree::Node root = tree.isEmpty() ? tree.createRoot(SampleXmlIds::root()) : tree.root();
    return TXMLQOVAData(document.m_tree, root);
}

TXMLQOVAData LoadQOVAData(const QString &fileName)
{
    TXMLDocument document = TXMLDocument::LoadFromFile(fileName);
    return GetQOVAData(document);
}
