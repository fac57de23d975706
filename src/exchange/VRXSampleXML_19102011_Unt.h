#pragma once

// The binding of the sample exchange document: a QOVAData root holding one FileInfo and any
// number of Sample elements, each with its leaves and any number of Result (and Outcome) elements.
// docs/sample-xml.md describes the document for whoever reads or writes one.
//
// Every leaf is declared once, in the tables below, in document order: its element name and its
// type. The tables make the leaf properties of the element classes, the element names the
// documents use, and the element list and schema in docs/ (SampleXmlSchema).
//
// Writing a leaf finds the child element of that name, or makes it the parent's last child when
// there is none, and replaces its text: a leaf written twice keeps the position of its first
// write and the value of its last. Reading a leaf that is missing gives its empty value (empty
// text, 0, false) and adds nothing.
//
// The element classes are handles: light values that share their document, which lives as long
// as any handle on it does.

#include "exchange/XmlTree.h"

#include <QList>
#include <QString>

#include <memory>

class QIODevice;
class TXMLDocument;
class TXMLQOVAData;
TXMLQOVAData GetQOVAData(TXMLDocument &document);

// The types of a leaf's text.
enum class TXMLLeafType {
    Text,    // the value unchanged; the writer escapes markup characters
    Integer, // decimal digits, "-" in front when negative, no grouping
    Boolean, // "true" or "false"
};

struct TXMLLeafDecl
{
    const char *Name;
    TXMLLeafType Type;
};

// clang-format off
#define VRX_FILEINFO_LEAVES(LEAF) \
    LEAF(DateGenerated, Text) \
    LEAF(SampleCount, Integer) \
    LEAF(FileSource, Text) \
    LEAF(SchemaVersion, Text)

#define VRX_SAMPLE_LEAVES(LEAF) \
    LEAF(RecordType, Text) \
    LEAF(SampleNumber, Text) \
    LEAF(LocalAuthorityCode, Text) \
    LEAF(LocalAuthorityName, Text) \
    LEAF(LocalAuthorityOfficeCode, Text) \
    LEAF(LocalAuthorityOfficeName, Text) \
    LEAF(AnalysisType, Text) \
    LEAF(LocalAuthoritySampleNumber, Text) \
    LEAF(SamplingOfficerCode, Text) \
    LEAF(SamplingOfficerName, Text) \
    LEAF(DateSampleTaken, Text) \
    LEAF(TimeSampleTaken, Text) \
    LEAF(RecordedDate, Text) \
    LEAF(AnimalFeedDateOfManufacture, Text) \
    LEAF(PremisesName, Text) \
    LEAF(BusinessId, Text) \
    LEAF(BusinessAddress1, Text) \
    LEAF(BusinessAddress2, Text) \
    LEAF(BusinessAddress3, Text) \
    LEAF(BusinessAddress4, Text) \
    LEAF(BusinessPostcode, Text) \
    LEAF(PremisesTypeCode, Text) \
    LEAF(PremisesTypeDescription, Text) \
    LEAF(ReasonForTakingSampleCode, Text) \
    LEAF(ReasonForTakingSampleDescription, Text) \
    LEAF(SampleTypeCode, Text) \
    LEAF(SampleTypeDescription, Text) \
    LEAF(IsFollowupSample, Boolean) \
    LEAF(FollowUpSampleReference, Text) \
    LEAF(FoodSafetyRiskCategoryCode, Text) \
    LEAF(IsFoodBourneIllnessInvestigation, Boolean) \
    LEAF(FoodBourneIllnessDetails, Text) \
    LEAF(IsSurvey, Boolean) \
    LEAF(SurveyBodyCode, Text) \
    LEAF(SurveyBodyDescription, Text) \
    LEAF(SurveyReference, Text) \
    LEAF(BrandName, Text) \
    LEAF(FoodDescription, Text) \
    LEAF(CategoryCode, Text) \
    LEAF(SubcategoryCode, Text) \
    LEAF(SubcategoryDescription, Text) \
    LEAF(Subcategory2Code, Text) \
    LEAF(Subcategory2Description, Text) \
    LEAF(Subcategory3Code, Text) \
    LEAF(Subcategory3Description, Text) \
    LEAF(AdditionalInformation, Text) \
    LEAF(NatureOfProductCode, Text) \
    LEAF(ProductDescription, Text) \
    LEAF(ManufacturerDescription, Text) \
    LEAF(DistributerDescription, Text) \
    LEAF(ImporterDescription, Text) \
    LEAF(CountryCode, Text) \
    LEAF(CountryDescription, Text) \
    LEAF(PackagingCode, Text) \
    LEAF(PackagingDescription, Text) \
    LEAF(PackagingMaterialCode, Text) \
    LEAF(PackagingMaterialDescription, Text) \
    LEAF(OtherPackagingMaterialDetails, Text) \
    LEAF(PackageQuantity, Text) \
    LEAF(PackageUnitsCode, Text) \
    LEAF(PackageUnitsDescription, Text) \
    LEAF(PackageBatchNumber, Text) \
    LEAF(PackageHealthmark, Text) \
    LEAF(DurabilityCode, Text) \
    LEAF(DurabilityDescription, Text) \
    LEAF(DurabilityDay, Integer) \
    LEAF(DurabilityMonth, Integer) \
    LEAF(DurabilityYear, Integer) \
    LEAF(ConditionCode, Text) \
    LEAF(ConditionDescription, Text) \
    LEAF(OtherConditionDetails, Text) \
    LEAF(Temperature, Integer) \
    LEAF(MeetsCodeOfPractise, Boolean) \
    LEAF(CodeOfPractiseDetails, Text) \
    LEAF(MeetsCodeOfPractiseTransport, Boolean) \
    LEAF(TestingLaboratoryCode, Text) \
    LEAF(TestingLaboratoryDescription, Text) \
    LEAF(LaboratoryComments, Text) \
    LEAF(SampleComments, Text) \
    LEAF(PurchaseCost, Text) \
    LEAF(AnalysisCost, Text) \
    LEAF(IsSatisfactory, Boolean) \
    LEAF(Prosecution, Boolean) \
    LEAF(IsRoutineAnalysisRequired, Boolean) \
    LEAF(RoutineComments, Text) \
    LEAF(FoodStandardsRiskCategoryCode, Text) \
    LEAF(FoodStandardsRiskCategoryDescription, Text) \
    LEAF(QOVAInformation, Text) \
    LEAF(MAFFCategoryCode, Text) \
    LEAF(AnimalFeedRegistrationNumber, Text) \
    LEAF(AnimalFeedSpeciesCode, Text) \
    LEAF(AnimalFeedLabelRegistrationNumber, Text) \
    LEAF(AnimalFeedLabelBusinessTypeCode, Text) \
    LEAF(AnimalFeedLabelBusinessAddress, Text) \
    LEAF(CombinedLACodeAndOfficeCode, Text) \
    LEAF(LIMSSampleNumber, Text) \
    LEAF(FoodSafetyRiskCategoryDescription, Text) \
    LEAF(CategoryDescription, Text) \
    LEAF(MAFFCategoryDescription, Text) \
    LEAF(PointOfSaleInfo, Text) \
    LEAF(FailCode, Text) \
    LEAF(AnimalFeedSpeciesDescription, Text) \
    LEAF(LocalAuthSatisfactory, Boolean)

#define VRX_RESULT_LEAVES(LEAF) \
    LEAF(Output, Text) \
    LEAF(TextResult, Text) \
    LEAF(ResultType, Text) \
    LEAF(Qualifier, Text) \
    LEAF(TestSubstance, Text) \
    LEAF(TestUnits, Text) \
    LEAF(Result, Text) \
    LEAF(ComponentDescription, Text) \
    LEAF(ResultTimeStamp, Text) \
    LEAF(BatchNumber, Text) \
    LEAF(FailCode, Text) \
    LEAF(FailDescription, Text) \
    LEAF(ExpandedMeasureofUncertainty, Text) \
    LEAF(Recovery, Text) \
    LEAF(CorrectionForRecovery, Text) \
    LEAF(LODLOQ, Text) \
    LEAF(Determination, Text) \
    LEAF(FoodDescription, Text)

#define VRX_OUTCOME_LEAVES(LEAF) \
    LEAF(Code, Text) \
    LEAF(OutcomeType, Text) \
    LEAF(Description, Text)
// clang-format on

#define VRX_LEAF_ENUM(name, type) name,
enum class TXMLFileInfoLeaf { VRX_FILEINFO_LEAVES(VRX_LEAF_ENUM) Count };
enum class TXMLSampleLeaf { VRX_SAMPLE_LEAVES(VRX_LEAF_ENUM) Count };
enum class TXMLResultLeaf { VRX_RESULT_LEAVES(VRX_LEAF_ENUM) Count };
enum class TXMLOutcomeLeaf { VRX_OUTCOME_LEAVES(VRX_LEAF_ENUM) Count };
#undef VRX_LEAF_ENUM

// The element names of the document.
namespace SampleXmlNames {
inline const QString Root = QStringLiteral("QOVAData");
inline const QString FileInfo = QStringLiteral("FileInfo");
inline const QString Sample = QStringLiteral("Sample");
inline const QString Result = QStringLiteral("Result");
inline const QString Outcome = QStringLiteral("Outcome");
} // namespace SampleXmlNames

// The leaves of each element type, in declaration (and document) order.
const QList<TXMLLeafDecl> &FileInfoLeaves();
const QList<TXMLLeafDecl> &SampleLeaves();
const QList<TXMLLeafDecl> &ResultLeaves();
const QList<TXMLLeafDecl> &OutcomeLeaves();

// The document object: an element tree that is saved and loaded as XML. Copies share one tree.
class TXMLDocument
{
public:
    TXMLDocument();

    // Discards every element.
    void Clear();
    bool IsEmpty() const { return m_tree->isEmpty(); }
    XmlTree &Tree() { return *m_tree; }
    const XmlTree &Tree() const { return *m_tree; }

    // The document as XML (UTF-8, indented by two blanks).
    QByteArray XML() const;
    // Writes the document to the file through the atomic writer: the file holds the whole
    // document or stays as it was. Throws VarnexError naming the file and the cause.
    void SaveToFile(const QString &fileName) const;

    // Reads a sample exchange document. Throws XmlReadError naming the source, line and column
    // for a document that is not well-formed, has a document type declaration or another root
    // than QOVAData, and VarnexError for a file that cannot be opened.
    static TXMLDocument LoadFromFile(const QString &fileName);
    static TXMLDocument LoadFromData(const QByteArray &xml, const QString &source = QString());

private:
    friend TXMLQOVAData GetQOVAData(TXMLDocument &document);
    void read(QIODevice &device, const QString &source);

    std::shared_ptr<XmlTree> m_tree;
};

// One element of a document: the common ground of the element classes.
class TXMLElement
{
public:
    bool IsNull() const { return m_node == XmlTree::NoNode; }
    XmlTree::Node Node() const { return m_node; }

    // The written forms of the leaf types.
    static QString IntegerText(qint64 value) { return QString::number(value); }
    static QString BooleanText(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

protected:
    TXMLElement() = default;
    TXMLElement(std::shared_ptr<XmlTree> tree, XmlTree::Node node) : m_tree(std::move(tree)), m_node(node) {}

    QString leafText(XmlTree::Name name) const;
    void setLeafText(XmlTree::Name name, QStringView text);
    qint64 leafInteger(XmlTree::Name name) const;
    void setLeafInteger(XmlTree::Name name, qint64 value);
    bool leafBoolean(XmlTree::Name name) const;
    void setLeafBoolean(XmlTree::Name name, bool value);

    std::shared_ptr<XmlTree> m_tree;
    XmlTree::Node m_node = XmlTree::NoNode;
};

// The names of the leaves, as ids of every document's tree.
namespace SampleXmlIds {
XmlTree::Name root();
XmlTree::Name fileInfo();
XmlTree::Name sample();
XmlTree::Name result();
XmlTree::Name outcome();
XmlTree::Name fileInfoLeaf(TXMLFileInfoLeaf leaf);
XmlTree::Name sampleLeaf(TXMLSampleLeaf leaf);
XmlTree::Name resultLeaf(TXMLResultLeaf leaf);
XmlTree::Name outcomeLeaf(TXMLOutcomeLeaf leaf);
} // namespace SampleXmlIds

// The accessors of a leaf, after its type: Text as QString, Integer as qint64, Boolean as bool.
#define VRX_LEAF_ACCESSOR_Text(ids, leaves, name)                                                 \
    QString name() const { return leafText(SampleXmlIds::ids(leaves::name)); }                  \
    void Set##name(QStringView value) { setLeafText(SampleXmlIds::ids(leaves::name), value); }
#define VRX_LEAF_ACCESSOR_Integer(ids, leaves, name)                                              \
    qint64 name() const { return leafInteger(SampleXmlIds::ids(leaves::name)); }                 \
    void Set##name(qint64 value) { setLeafInteger(SampleXmlIds::ids(leaves::name), value); }
#define VRX_LEAF_ACCESSOR_Boolean(ids, leaves, name)                                              \
    bool name() const { return leafBoolean(SampleXmlIds::ids(leaves::name)); }                   \
    void Set##name(bool value) { setLeafBoolean(SampleXmlIds::ids(leaves::name), value); }

#define VRX_FILEINFO_ACCESSOR(name, type) VRX_LEAF_ACCESSOR_##type(fileInfoLeaf, TXMLFileInfoLeaf, name)
#define VRX_SAMPLE_ACCESSOR(name, type) VRX_LEAF_ACCESSOR_##type(sampleLeaf, TXMLSampleLeaf, name)
#define VRX_RESULT_ACCESSOR(name, type) VRX_LEAF_ACCESSOR_##type(resultLeaf, TXMLResultLeaf, name)
#define VRX_OUTCOME_ACCESSOR(name, type) VRX_LEAF_ACCESSOR_##type(outcomeLeaf, TXMLOutcomeLeaf, name)

// A repeated child element: the parent's children of the item name, in document order.
template <class TItem>
class TXMLElementList
{
public:
    TXMLElementList(std::shared_ptr<XmlTree> tree, XmlTree::Node parent, XmlTree::Name itemName)
        : m_tree(std::move(tree)), m_parent(parent), m_itemName(itemName)
    {
    }

    // Appends a new item as the parent's last child.
    TItem Add()
    {
        requireParent();
        return TItem(m_tree, m_tree->appendChild(m_parent, m_itemName));
    }
    // A new item placed before the item at that index; at Count() (or beyond) it is appended
    // after the last item.
    TItem Insert(int index)
    {
        requireParent();
        const std::vector<XmlTree::Node> items = m_tree->children(m_parent, m_itemName);
        if (index < 0)
            index = 0;
        XmlTree::Node before = XmlTree::NoNode;
        if (index < int(items.size()))
            before = items[size_t(index)];
        else if (!items.empty())
            before = m_tree->nextSibling(items.back());
        return TItem(m_tree, m_tree->insertChild(m_parent, m_itemName, before));
    }
    int Count() const
    {
        int n = 0;
        if (m_parent == XmlTree::NoNode)
            return 0;
        for (XmlTree::Node c = m_tree->firstChild(m_parent); c != XmlTree::NoNode; c = m_tree->nextSibling(c))
            n += m_tree->nodeName(c) == m_itemName ? 1 : 0;
        return n;
    }
    // The item at that index; a null handle when there is none.
    TItem Items(int index) const
    {
        if (m_parent == XmlTree::NoNode)
            return TItem(m_tree, XmlTree::NoNode);
        for (XmlTree::Node c = m_tree->firstChild(m_parent); c != XmlTree::NoNode; c = m_tree->nextSibling(c))
            if (m_tree->nodeName(c) == m_itemName && index-- == 0)
                return TItem(m_tree, c);
        return TItem(m_tree, XmlTree::NoNode);
    }
    TItem operator[](int index) const { return Items(index); }
    // Every item in document order (walks the parent's children once).
    std::vector<TItem> All() const
    {
        std::vector<TItem> all;
        if (m_parent == XmlTree::NoNode)
            return all;
        for (XmlTree::Node c : m_tree->children(m_parent, m_itemName))
            all.push_back(TItem(m_tree, c));
        return all;
    }

private:
    void requireParent() const
    {
        if (m_parent == XmlTree::NoNode)
            throw VarnexError(QStringLiteral("An element cannot be added to an element that is not there."));
    }

    std::shared_ptr<XmlTree> m_tree;
    XmlTree::Node m_parent;
    XmlTree::Name m_itemName;
};

class TXMLOutcomeType : public TXMLElement
{
public:
    TXMLOutcomeType(std::shared_ptr<XmlTree> tree, XmlTree::Node node) : TXMLElement(std::move(tree), node) {}
    VRX_OUTCOME_LEAVES(VRX_OUTCOME_ACCESSOR)
};

class TXMLResultType : public TXMLElement
{
public:
    TXMLResultType(std::shared_ptr<XmlTree> tree, XmlTree::Node node) : TXMLElement(std::move(tree), node) {}
    VRX_RESULT_LEAVES(VRX_RESULT_ACCESSOR)
    // A result leaf by its declaration, as the generator writes them.
    void SetLeaf(TXMLResultLeaf leaf, QStringView text) { setLeafText(SampleXmlIds::resultLeaf(leaf), text); }
};

using TXMLResultTypeList = TXMLElementList<TXMLResultType>;
using TXMLOutcomeTypeList = TXMLElementList<TXMLOutcomeType>;

class TXMLSampleType : public TXMLElement
{
public:
    TXMLSampleType(std::shared_ptr<XmlTree> tree, XmlTree::Node node) : TXMLElement(std::move(tree), node) {}
    VRX_SAMPLE_LEAVES(VRX_SAMPLE_ACCESSOR)

    TXMLResultTypeList Result() const { return TXMLResultTypeList(m_tree, m_node, SampleXmlIds::result()); }
    TXMLOutcomeTypeList Outcome() const { return TXMLOutcomeTypeList(m_tree, m_node, SampleXmlIds::outcome()); }

    // A sample leaf by its declaration, as the generator writes them: the text as it stands,
    // already in the leaf type's form (IntegerText, BooleanText).
    void SetLeaf(TXMLSampleLeaf leaf, QStringView text) { setLeafText(SampleXmlIds::sampleLeaf(leaf), text); }
    // Whether the sample has that leaf element.
    bool HasLeaf(TXMLSampleLeaf leaf) const;
};

using TXMLSampleTypeList = TXMLElementList<TXMLSampleType>;

class TXMLFileInfo : public TXMLElement
{
public:
    TXMLFileInfo(std::shared_ptr<XmlTree> tree, XmlTree::Node node) : TXMLElement(std::move(tree), node) {}
    VRX_FILEINFO_LEAVES(VRX_FILEINFO_ACCESSOR)
};

class TXMLQOVAData : public TXMLElement
{
public:
    TXMLQOVAData(std::shared_ptr<XmlTree> tree, XmlTree::Node node) : TXMLElement(std::move(tree), node) {}

    // The FileInfo child, made when there is none.
    TXMLFileInfo FileInfo();
    // The FileInfo child; a null handle, whose leaves read empty, when there is none.
    TXMLFileInfo FileInfo() const;
    TXMLSampleTypeList Sample() const { return TXMLSampleTypeList(m_tree, m_node, SampleXmlIds::sample()); }
};

// The binding's interfaces are its handles.
using IXMLQOVAData = TXMLQOVAData;
using IXMLFileInfo = TXMLFileInfo;
using IXMLSampleType = TXMLSampleType;
using IXMLResultType = TXMLResultType;
using IXMLOutcomeType = TXMLOutcomeType;
using IXMLSampleTypeList = TXMLSampleTypeList;
using IXMLResultTypeList = TXMLResultTypeList;
using IXMLOutcomeTypeList = TXMLOutcomeTypeList;

// The root of a document, made (without a namespace) when the document has none.
TXMLQOVAData GetQOVAData(TXMLDocument &document);
// Loads a file (TXMLDocument::LoadFromFile) and returns its root; the document lives as long as
// the handles on it.
TXMLQOVAData LoadQOVAData(const QString &fileName);

#undef VRX_LEAF_ACCESSOR_Text
#undef VRX_LEAF_ACCESSOR_Integer
#undef VRX_LEAF_ACCESSOR_Boolean
#undef VRX_FILEINFO_ACCESSOR
#undef VRX_SAMPLE_ACCESSOR
#undef VRX_RESULT_ACCESSOR
#undef VRX_OUTCOME_ACCESSOR
