#pragma once

#include <QString>
#include <QStringList>

class DataTable;

// The texts of a laboratory delivery, kept free of the database and the server so that each rule
// can be checked on its own: the cover text, the fitting of values into the postbox row, the
// cancelled-sample list and the name of an export file.
namespace LabDelivery {

// The longest values the postbox row and the batch row take, in characters.
inline constexpr int RecipientDescriptionSize = 100; // FILE_TO_INSERT_FROM_LA_EX.RECIPIENT_DESCRIPTION
inline constexpr int SenderNotesSize = 4000;         // FILE_TO_INSERT_FROM_LA_EX.SENDER_NOTES
inline constexpr int CancelledSampleListSize = 4000; // FILE_TO_INSERT_FROM_LA_EX.CANCELLED_SAMPLE_LIST
inline constexpr int LaboratoryNameSize = 100;       // EXPORT_BATCH.LABORATORY_NAME

// Who sends, as the first lines of the cover text say.
struct CoverHeader
{
    QString authorityCode;
    QString authorityName;
    QString officeDescription;
    qint64 batchId = 0;
};

// The cover text of a postbox delivery: the sender, the number of samples, the batch number, then
// the samples grouped by officer, each line ended by CR LF. `rows` is the delivery's selection
// (the sample's columns, then its officer's), in selection order. A text that would pass maxChars
// ends its list with "... and N more" after the samples that fit; the count and the packet still
// cover every sample.
QString coverText(const CoverHeader &header, const DataTable &rows, int maxChars = SenderNotesSize);

// The list's standard comma text: items joined by "," without blanks; an item that holds a blank,
// a comma or a double quote (or is empty) is enclosed in double quotes, its quotes doubled.
QString commaText(const QStringList &items);
// How many of the items, from the first, make a comma text of at most maxChars characters.
int itemsThatFit(const QStringList &items, int maxChars = CancelledSampleListSize);

// The laboratory name shortened to maxChars: a trailing sample count " (N samples)" is kept and
// the description before it cut, ending in "..."; a name that fits is returned as it is.
QString fitLaboratoryName(const QString &name, int maxChars = RecipientDescriptionSize);

// A part of a file name built from data, without path separators and control characters.
QString cleanFileNamePart(const QString &part);
// The export file: authority code, installation code and batch id, nothing between them, ".enc",
// in the folder (with or without a trailing separator). Throws VarnexError for an empty folder.
QString exportFileName(const QString &folder, const QString &authorityCode, const QString &installationCode,
                       qint64 batchId);

} // namespace LabDelivery
