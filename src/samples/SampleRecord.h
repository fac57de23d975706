#pragma once

#include "samples/SampleRow.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Prompter;
class SampleLookups;
class TMaindm;

// The record rules of a SAMPLE row that every editor, the duplication and the stored-sample
// validator share: statuses and "sent", the sample code, the program mark, the change reason, the
// descriptions copied beside the codes, the "N/A" fills and the values of a new sample.

namespace SampleStatus {
inline const QString Entered = QStringLiteral("ENTERED");
inline const QString Validated = QStringLiteral("VALIDATED");
inline const QString Imported = QStringLiteral("IMPORTED");
inline const QString Exported = QStringLiteral("EXPORTED");
inline const QString Complete = QStringLiteral("COMPLETE");
inline const QString Cancelled = QStringLiteral("CANCELLED");
inline const QString Deleted = QStringLiteral("DELETED");
} // namespace SampleStatus

// A sample is sent when its status is "EXPORTED", "COMPLETE", "CANCELLED" or "DELETED": exactly
// these four. An editor asks it of the status stored when the save begins, so a sample that a
// synchronisation pass exported while its editor was open counts as sent.
bool sampleIsSent(const QString &status);
// The row's SAMPLE_STATUS__CODE.
bool Sent(const SampleRow &row);

// ---- Status ----

enum class SampleSave {
    WithoutValidation, // "Save Without Validating (F8)"
    WithValidation,    // "Save  With Validation(F7)", once every rule passed
};

// The status an editor's save writes, from the status stored at save time: "ENTERED" (F8) or
// "VALIDATED" (F7), but a sent sample keeps its status. The animal-feed editor's F8 takes a
// "DELETED" sample back to "ENTERED" (enteredFromDeleted); a delivered, completed or cancelled
// sample keeps its status whatever the save, so that it is never delivered a second time.
QString statusAfterSave(const QString &storedStatus, SampleSave save, bool enteredFromDeleted = false);
// Validation's last step: "VALIDATED" unless the sample is sent, when the status stays.
void setStatusAfterValidation(SampleRow &row, bool sent);

// ---- Code ----

inline const QString DuplicateCode = QStringLiteral("DUPLICATE");

// A code that is empty or "DUPLICATE" (a copy still waiting for its own) is replaced by a new one;
// any other code stays for the sample's life.
bool needsNewSampleCode(const QString &code);
// Gives the row a new CODE from newCode (TMaindm.GetNewSampleCode) when it needs one; newCode is
// called only then, so no generator value is spent on a sample that keeps its code.
void ensureSampleCode(SampleRow &row, const std::function<QString()> &newCode);

// ---- Program mark ----

// "VRXNet Version = <version>, Computer name = <computer>".
QString programMark(const QString &version, const QString &computerName);
// QOVA_INFO := programMark, replacing whatever it held.
void applyProgramMark(SampleRow &row, const QString &version, const QString &computerName);

// ---- Change reason ----

inline const QString ChangeReasonRequiredMessage =
    QStringLiteral("A reason for any further changes to this sample are required.");
// USER_CHANGE_REASON holds at most this many characters.
constexpr int ChangeReasonMaxLength = 350;

// Asks for the reason for changing a sent sample ("Sent sample", "Reason for change:", empty
// default) and returns it as typed. Throws VarnexError: ChangeReasonRequiredMessage for a
// cancelled, empty or blank answer; a text naming the limit for one longer than 350 characters.
QString askChangeReason(Prompter &prompter);
// USER_CHANGE_REASON := reason, USER_CHANGE_USER__ID := userId.
void recordChangeReason(SampleRow &row, const QString &reason, qint64 userId);

// ---- The steps every editor save runs first ----

// What an editor's save writes from the program and its user.
struct SampleSaveSettings
{
    QString version;      // TMaindm.Version
    QString computerName; // TMaindm.LocalComputerName
    qint64 userId = 0;    // TMaindm.UserID

    static SampleSaveSettings fromSettings(const TMaindm &settings);
};

// The first steps of every save from an editor, before the rules and whether or not they run, in
// this order: for a sent sample the change reason (asked through the prompter; a missing one
// throws and nothing has changed), then the code, then the program mark.
void prepareSampleSave(SampleRow &row, bool sent, const SampleSaveSettings &settings,
                       const std::function<QString()> &newCode, Prompter &prompter);

// ---- "N/A" fills ----

// The columns validation fills with "N/A" when they are empty, whether or not a rule failed (a row
// without such a column is left without it).
const QStringList &notAvailableColumns();
inline const QString NotAvailable = QStringLiteral("N/A");
void fillNotAvailable(SampleRow &row);

// ---- Descriptions beside the codes ----

// Where the description column of a code takes its text from when an editor saves.
enum class DescriptionSource {
    Settings,      // TMaindm.LocalAuthorityDescription
    FormList,      // a list of the editor's own (offices: DESCRIPTION, officers: NAME)
    LookupList,    // the Description of the code's row in a lookup list
    Reason,        // the caption of the chosen reason
};

// One code column and its description column. For a LookupList pair, list is the lookup table the
// editor's control shows for that column; it is empty where that depends on the row or the
// settings (SAMPLE_TYPE__CODE: descriptionSampleTypeList; the food PREMISES_TYPE__CODE:
// premisesTypeList). For a FormList pair, list names the editor's own query ("qryLocalAuthOffice_",
// "qrySampleOfficer_").
struct DescriptionPair
{
    QString codeColumn;
    QString descriptionColumn;
    DescriptionSource source;
    QString list;
};

// The pairs an editor of the personality ("FOOD" or "ANIMAL FEED") copies at save, in the order
// it copies them. The category levels are not among them: they take their descriptions when they
// are chosen.
const QList<DescriptionPair> &descriptionPairs(const QString &personality);

// "Enforcement/Investigation" for "E", "Surveillance/Monitoring" for "S", empty otherwise.
QString reasonCaption(const QString &reasonCode);
// The sample-type list whose text the save copies: the personality's enforcement list for reason
// "E", its surveillance list for "S", none for any other reason (no reason is chosen).
QString descriptionSampleTypeList(const QString &personality, const QString &reasonCode);
// The premises-type list an editor offers: food, the LAEMS list with UseLAEMSPremisesCodes and the
// Varnex list without; animal feed, its own list.
QString premisesTypeList(const QString &personality, bool useLAEMSPremisesCodes);

// What the save needs to copy the descriptions.
struct DescriptionContext
{
    const SampleLookups *lookups = nullptr;
    bool UseLAEMSPremisesCodes = false;
    QString LocalAuthorityDescription;
    // The text of the editor's own lists (offices, officers): the list and the code in, the text
    // the list shows out; empty when it shows nothing.
    std::function<QString(const QString &list, const QString &code)> formListText;
};

// Copies every description of the personality's pairs: each the text the editor's list shows
// for the chosen code, empty when no code is chosen or the list does not show it.
void applyDescriptions(SampleRow &row, const QString &personality, const DescriptionContext &context);

// ---- A new sample ----

// What a new row takes from the central data module. The program's comes from TMaindm; tests
// give their own.
class SampleRecordServices
{
public:
    virtual ~SampleRecordServices() = default;
    // One step of the generator GEN_SAMPLE.
    virtual qint64 nextSampleNumber() = 0;
    // TMaindm.GetNewSampleCode without a number (another step of the generator).
    virtual QString GetNewSampleCode() = 0;
    virtual QString GetNewUUIDString() = 0;
};

class MaindmSampleServices : public SampleRecordServices
{
public:
    explicit MaindmSampleServices(TMaindm &maindm) : m_maindm(maindm) {}
    qint64 nextSampleNumber() override;
    QString GetNewSampleCode() override;
    QString GetNewUUIDString() override;

private:
    TMaindm &m_maindm;
};

// The settings a new sample starts from, read once.
struct NewSampleSettings
{
    QString personality; // "FOOD" or "ANIMAL FEED"
    QString AnalysisType; // food: TMaindm.AnalysisType ("N" for none); feed: AFAnalysisType
    QString LaboratoryCodeMicro;
    QString LaboratoryCodeChemical;
    QString LocalAuthorityCode;
    QString LocalAuthorityDescription;
    QString LocalAuthorityOfficeCode;
    QString LocalAuthorityOfficeDescription;

    // The personality's settings (the feed editor's laboratories and analysis type are its own).
    static NewSampleSettings fromSettings(TMaindm &settings, const QString &personality);
};

// The values of a new row, as the editors give them: SAMPLE_NUMBER, UNIQUE_UUID, CODE and
// RECORD_TYPE first (the animal-feed editor also "C" and its chemical laboratory), then the
// analysis type (unless the setting is "N"), the authority and office (the food editor with their
// descriptions), the laboratory for the analysis type, and no quantity and no reason.
void initialiseNewSample(SampleRow &row, const NewSampleSettings &settings, SampleRecordServices &services);

// The laboratory for an analysis type: the micro laboratory for "M", the chemical one for "C",
// empty for anything else.
QString laboratoryForAnalysisType(const QString &analysisType, const QString &micro, const QString &chemical);
