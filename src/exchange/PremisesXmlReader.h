#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class QIODevice;

// The three XML layouts of a premises register: CP (root CPVRXPREM_ME, records CPVRXPREM_ME.CP),
// V3 (root PremisesData, FileInfo and one PremisesList of Premises records) and CAPS (root
// PremisesData, FileInfo and one PremisesList element per record, each holding the V3 leaves).
enum class PremisesXmlLayout { CP, V3, CAPS };

// Reads a premises XML document as it streams in, record by record, so that a register of any
// size is read holding one record. The layout comes from the tree: the root's name, and whether a
// PremisesList holds Premises records or is a record itself. Element names that known exports
// misspell are read as meant: "Premies" for "Premises" (PremiesList, Premies) and a record named
// CPVRXPREM_ME.EHCP for CPVRXPREM_ME.CP; text is never changed. The encoding comes from a
// byte-order mark or the XML declaration; no DTD or entity from outside the file is loaded (a
// reference to one is refused).
class PremisesXmlReader
{
public:
    // A record (or FileInfo): its leaves in document order, and where it starts.
    struct Record
    {
        int number = 0; // counted from 1 in document order; 0 for FileInfo
        qint64 line = 0;
        PremisesXmlLayout layout = PremisesXmlLayout::V3; // of the document, as far as it is known
        QList<std::pair<QString, QString>> leaves;

        // The text of the first leaf of that name (letter case exact); empty when there is none.
        QString leaf(QStringView name) const;
        // The same, but nothing when the record has no leaf of that name, so that a leaf left out
        // can be told from one written empty (<X/> or <X></X>, both empty text).
        std::optional<QString> leafIfPresent(QStringView name) const;
    };

    std::function<void(const Record &)> OnFileInfo;
    std::function<void(const Record &)> OnRecord;

    // Reads the whole document from the device's current position. Throws VarnexError with the
    // parser's error and where it stands (documentName names the file) when the document is not
    // well-formed XML, its root is not a premises layout, or it refers to an entity it does not
    // hold. Returns the layout.
    PremisesXmlLayout Read(QIODevice &device, const QString &documentName);
    // The same over bytes in memory.
    PremisesXmlLayout Read(const QByteArray &xml, const QString &documentName);

    // An element name as known exports mean it.
    static QString RepairElementName(QStringView name);
};
