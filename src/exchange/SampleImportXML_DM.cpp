#include "exchange/SampleImportXML_DM.h"

#include "base/VarnexError.h"
#include "exchange/XmlFaults.h"
#include "exchange/XmlPartReader.h"

#include <QFile>
#include <QHash>

void TSampleImportXMLDM::LoadFieldDefsFromFile(const QString &fileName)
{
    SetDefinitions(LoadImportDefinitionsFile(fileName));
}

void TSampleImportXMLDM::SetDefinitions(ImportDefinitions definitions)
{
    m_rootElement = definitions.rootElement;
    m_fields = std::move(definitions.fields);
    m_mappingPaths.clear();
}

QString TSampleImportXMLDM::RootElement()
{
    if (m_rootElement.isEmpty())
        m_rootElement = DefaultRootElement();
    return m_rootElement;
}

QStringList TSampleImportXMLDM::FieldList() const
{
    QStringList list;
    for (const auto &field : m_fields)
        list << field->FieldLabel() + QLatin1Char('=') + field->Name();
    return list;
}

TImportField *TSampleImportXMLDM::GetImportField(const QString &name) const
{
    for (const auto &field : m_fields)
        if (field->Name() == name)
            return field.get();
    return nullptr;
}

TImportField *TSampleImportXMLDM::FieldWithLabel(const QString &label) const
{
    for (const auto &field : m_fields)
        if (field->FieldLabel() == label)
            return field.get();
    return nullptr;
}

int TSampleImportXMLDM::ScanRecords(QIODevice &device, const QString &documentName,
                                    const std::function<void(const SampleRecord &)> &onRecord)
{
    // The record path as names; a path not of the bracket form, or with a blank after its
    // bracket, matches no element.
    const QString root = RootElement();
    const bool bracketed = root.size() >= 2 && root.startsWith(QLatin1Char('[')) && root.endsWith(QLatin1Char(']'));
    const QStringList rootNames = bracketed ? root.mid(1, root.size() - 2).split(QLatin1Char('|')) : QStringList();
    const qsizetype rootDepth = rootNames.size();

    XmlPartReader reader(device, documentName);
    QStringList open;        // the names of the open elements, outermost first
    QStringList relative;    // their relative paths, from the record element down (inside a record)
    qsizetype recordDepth = -1; // the number of open elements when the record began; -1: none open
    SampleRecord record;
    int records = 0;

    const auto atRecordPath = [&]() { return bracketed && open.size() == rootDepth && open == rootNames; };
    // A file cut short inside a record is said so: the parser only knows of elements left open.
    const auto next = [&]() {
        try {
            return reader.next();
        } catch (const XmlFaults::XmlFileError &e) {
            const QStringList cut = e.openElements();
            if (e.kind() != XmlFaults::Kind::Truncated || !bracketed || cut.mid(0, rootDepth) != rootNames)
                throw;
            throw XmlFaults::XmlFileError(e.kind(), e.document(), e.line(), e.column(),
                                          QStringLiteral("the file ends before its last record is complete: the last <%1> "
                                                         "is cut off")
                                              .arg(rootNames.last()),
                                          e.detail(), cut);
        }
    };
    for (XmlPartReader::Part part = next(); part != XmlPartReader::Part::End; part = next()) {
        switch (part) {
        case XmlPartReader::Part::StartTag:
            open << reader.name();
            if (recordDepth < 0 && atRecordPath()) {
                recordDepth = open.size();
                record.clear();
                relative.clear();
                relative << QStringLiteral("[]");
            } else if (recordDepth >= 0) {
                const QStringList below = open.mid(recordDepth);
                relative << QLatin1Char('[') + below.join(QLatin1Char('|')) + QLatin1Char(']');
            }
            break;
        case XmlPartReader::Part::EndTag:
            if (recordDepth >= 0) {
                if (open.size() == recordDepth) {
                    ++records;
                    if (onRecord)
                        onRecord(record);
                    record.clear();
                    recordDepth = -1;
                } else {
                    relative.removeLast();
                }
            }
            open.removeLast();
            break;
        case XmlPartReader::Part::Text:
            if (recordDepth >= 0) {
                const QString text = XmlPartReader::normalised(reader.text());
                if (!text.isEmpty())
                    record.append({relative.last(), text});
            }
            break;
        case XmlPartReader::Part::EmptyTag:
        case XmlPartReader::Part::End:
            break;
        }
    }
    return records;
}

int TSampleImportXMLDM::ScanFile(const QString &fileName, const std::function<void(const SampleRecord &)> &onRecord)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The sample file %1 cannot be read: %2").arg(fileName, file.errorString()));
    return ScanRecords(file, fileName, onRecord);
}

namespace {

// A path compared without regard to letter case, without making a folded copy of it: the record's
// lines are looked up by every field of every record.
struct CaselessPath
{
    QStringView path;
    friend bool operator==(const CaselessPath &a, const CaselessPath &b)
    {
        return a.path.compare(b.path, Qt::CaseInsensitive) == 0;
    }
};

size_t qHash(const CaselessPath &key, size_t seed = 0)
{
    size_t h = seed;
    for (const QChar c : key.path)
        h = h * 31 + c.toCaseFolded().unicode();
    return h;
}

} // namespace

void TSampleImportXMLDM::LoadValues(const SampleRecord &record)
{
    // The first text of each path.
    QHash<CaselessPath, const QString *> first;
    first.reserve(record.size());
    for (const SampleRecordLine &line : record) {
        const CaselessPath key{line.path};
        if (!first.contains(key))
            first.insert(key, &line.text);
    }
    for (const auto &field : m_fields) {
        // A field's paths are split from its mapping once, not for every record.
        QStringList &paths = m_mappingPaths[field->Mapping()];
        if (paths.isEmpty())
            paths = field->GetMappingList();
        QStringList found;
        for (const QString &path : std::as_const(paths)) {
            const auto it = first.constFind(CaselessPath{path});
            if (it != first.constEnd())
                found << **it;
        }
        field->SetValue(found.join(QStringLiteral(", ")));
        field->SetTranslatedValue(QString());
    }
}
