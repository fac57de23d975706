#include "core/Main_DM.h"

#include "base/Clock.h"
#include "store/DatabaseUpdate_DM.h"
#include "store/LocalDatabase.h"
#include "data/PacketCipher.h"
#include "core/SampleCodes.h"
#include "store/SqlUtil.h"
#include "base/VarnexError.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlError>
#include <QSysInfo>

TMaindm *Maindm = nullptr;

namespace {
const int White = 16777215;

// Column names below come only from this file, never from data.
QString selectFirst(const char *column, const char *table)
{
    return QStringLiteral("SELECT FIRST 1 %1 FROM %2").arg(QLatin1String(column), QLatin1String(table));
}
} // namespace

TMaindm::TMaindm(QObject *parent) : QObject(parent) {}

TMaindm::~TMaindm()
{
    Disconnect();
    QSqlDatabase::removeDatabase(QLatin1String(ConnectionName));
}

QSqlDatabase TMaindm::ibConnection() const
{
    return QSqlDatabase::database(QLatin1String(ConnectionName), false);
}

void TMaindm::Disconnect()
{
    if (QSqlDatabase::contains(QLatin1String(ConnectionName)))
        QSqlDatabase::database(QLatin1String(ConnectionName), false).close();
}

bool TMaindm::ConnectToUserDatabase(const QString &emailAddress)
{
    Disconnect();
    m_runMode = QStringLiteral(": for user ") + emailAddress;
    m_lastError.clear();
    QString cause;
    const QSqlDatabase db = openLocalDatabaseAs(DBDatapath(), QLatin1String(ConnectionName), DBUserName(),
                                                DBPassword(), &cause);
    if (!db.isOpen()) {
        m_lastError = QStringLiteral("Unable to open connection to database. Error message:\r\n\r\n") + cause;
        return false;
    }
    return true;
}

void TMaindm::Login(const QString &emailAddress, const QString &password)
{
    Q_UNUSED(password) // the batch login is trusted to the local store; nothing compares it
    const QSqlDatabase db = ibConnection();
    QSqlQuery settings = SqlUtil::exec(
        db,
        QStringLiteral("SELECT FIRST 1 USER_ID, USER_IS_LOCAL_AUTHORITY_ADMIN, USER_AUTO_SUSPEND_DATE, "
                       "USER_IS_SUSPENDED, USER_EMAIL_ADDRESS FROM SYS_LOCAL_SETTINGS"));
    if (!settings.next())
        throw VarnexError(QStringLiteral("The local settings of this data store are missing."));
    // The file name folds "." and "-" together, so two addresses can name the same file; the
    // store belongs to the address its last online login recorded.
    const QString owner = settings.value(4).toString().trimmed();
    if (!owner.isEmpty() && owner.compare(emailAddress, Qt::CaseInsensitive) != 0)
        throw VarnexError(QStringLiteral("The local data store '%1' belongs to '%2' and cannot be used for '%3'.")
                              .arg(DBDatapath(), owner, emailAddress));
    UserID = settings.value(0).toLongLong();
    const QVariant autoSuspend = settings.value(2);
    // A suspension recorded in the local settings counts as well as the officer rows' own, so that
    // a store whose officer row has not been downloaded yet cannot slip through.
    bool suspended = settings.value(3).toString() == QLatin1String("T");
    settings.finish();
    const QDate today = Clock::instance().today();
    const bool settingsDatePassed = !autoSuspend.isNull() && today >= autoSuspend.toDate();

    // Every live officer row of the address: one moved to another office keeps the address, and
    // its deleted old row is no longer the account.
    const QString liveRows = QStringLiteral("EMAIL_ADDRESS = ? AND FLAG_DELETED IS DISTINCT FROM 'T'");
    QSqlQuery officers = SqlUtil::exec(
        db, QStringLiteral("SELECT IS_SUSPENDED, AUTO_SUSPEND_DATE FROM SAMPLE_OFFICER WHERE ") + liveRows, {emailAddress});
    bool haveOfficer = false;
    while (officers.next()) {
        haveOfficer = true;
        const QVariant date = officers.value(1);
        if (officers.value(0).toString() == QLatin1String("T") || (!date.isNull() && today >= date.toDate()))
            suspended = true;
    }
    officers.finish();
    if (settingsDatePassed) {
        suspended = true;
        if (haveOfficer)
            SqlUtil::exec(db, QStringLiteral("UPDATE SAMPLE_OFFICER SET IS_SUSPENDED = 'T' WHERE ") + liveRows, {emailAddress});
    }
    UserIsSuspended = suspended;
    if (suspended)
        throw VarnexError(QStringLiteral("This account has been suspended. It can be re-activated by an admin user."));
}

void TMaindm::CheckDBStructure()
{
    TDatabaseUpdateDM update(ibConnection());
    update.UpdateStructure();
}

QVariant TMaindm::companyValue(const char *column)
{
    return SqlUtil::scalar(ibConnection(), selectFirst(column, "SYS_COMPANY"));
}

QVariant TMaindm::localSettingsValue(const char *column)
{
    return SqlUtil::scalar(ibConnection(), selectFirst(column, "SYS_LOCAL_SETTINGS"));
}

QString TMaindm::companyText(const char *column)
{
    return companyValue(column).toString();
}

bool TMaindm::companyFlag(const char *column)
{
    return companyText(column) == QLatin1String("T");
}

int TMaindm::companyColour(const char *column)
{
    const int colour = companyValue(column).toInt();
    return colour == 0 ? White : colour;
}

QString TMaindm::Version() const
{
    return QStringLiteral(VARNEX_VERSION);
}

QString TMaindm::AppPath() const
{
    return QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
}

int TMaindm::EditingColor() { return companyColour("EDITING_COLOR"); }
int TMaindm::EditingActiveColor() { return companyColour("EDITING_ACTIVE_COLOR"); }
int TMaindm::InsertingColor() { return companyColour("INSERTING_COLOR"); }
bool TMaindm::AppBoldButtons() { return companyFlag("APP_BOLD_BUTTONS"); }

QString TMaindm::LocalAuthorityCode() { return localSettingsValue("LOCAL_AUTHORITY__CODE").toString(); }
QString TMaindm::LocalAuthorityOfficeCode() { return localSettingsValue("LOCAL_AUTH_OFFICE__CODE").toString(); }
QString TMaindm::LaboratoryCode() { return companyText("LABORATORY__CODE"); }
QString TMaindm::LaboratoryCodeChemical() { return companyText("LABORATORY__CODE_CHEM"); }
QString TMaindm::LaboratoryCodeMicro() { return companyText("LABORATORY__CODE_MICRO"); }
QString TMaindm::AnalysisType() { return companyText("ANALYSIS_TYPE"); }
int TMaindm::MinDurablityYearLimit() { return companyValue("DURABILITY_YEAR_LOWER_OFFSET").toInt(); }
int TMaindm::MaxDurablityYearLimit() { return companyValue("DURABILITY_YEAR_UPPER_OFFSET").toInt(); }
QString TMaindm::InstallationId() { return localSettingsValue("INSTALLATION_CODE").toString(); }
QString TMaindm::LaboratoryId() { return companyText("LABORATORY_ID"); }

QString TMaindm::LocalAuthorityDescription() { return companyText("LOCAL_AUTHORITY_NAME"); }

QString TMaindm::LocalAuthorityOfficeDescription()
{
    return SqlUtil::scalar(ibConnection(),
                           QStringLiteral("SELECT FIRST 1 DESCRIPTION FROM LOCAL_AUTH_OFFICE WHERE CODE = ?"),
                           {LocalAuthorityOfficeCode()})
        .toString();
}

QString TMaindm::AFAnalysisType()
{
    companyValue("ANALYSIS_TYPE"); // still reads the row, so a closed store fails here as elsewhere
    return QStringLiteral("C");
}

QString TMaindm::AFLaboratoryCodeChemical() { return companyText("ANIMAL_FEED_LAB__CODE_CHEM"); }
QString TMaindm::AFLaboratoryCodeMicro() { return companyText("ANIMAL_FEED_LAB__CODE_MICRO"); }
bool TMaindm::KeepAlive() { return companyFlag("FLAG_KEEP_ALIVE"); }
bool TMaindm::ShowInternetLoginDialog() { return companyFlag("SHOW_INTERNET_LOGIN_DIALOG"); }
bool TMaindm::ShowSupport() { return companyFlag("FLAG_SHOW_SUPPORT"); }
QString TMaindm::XMlImportFieldDefsFile() { return companyText("XML_IMPORT_FIELD_DEFS_FILE"); }
bool TMaindm::UseISOCountryCodes() { return companyFlag("FLAG_USE_ISO_COUNTRY_CODES"); }
bool TMaindm::UseLAEMSPremisesCodes() { return companyFlag("FLAG_USE_LAEMS_PREMISES_CODES"); }
bool TMaindm::UseWW3XMLDates() { return companyFlag("USEWW3XMLDATES"); }
QString TMaindm::LocalLaboratories() { return companyText("LOCAL_LABORATORIES"); }

QString TMaindm::UserLoginEmail() { return localSettingsValue("USER_EMAIL_ADDRESS").toString(); }
QString TMaindm::UserLoginPassword() { return localSettingsValue("USER_LOGIN_PASSWORD").toString(); }
bool TMaindm::UserIsAdmin() { return localSettingsValue("USER_IS_LOCAL_AUTHORITY_ADMIN").toString() == QLatin1String("T"); }
TDataScope TMaindm::DataScope() { return dataScopeFromText(localSettingsValue("USER_DATA_SCOPE").toString()); }

TDataScope TMaindm::dataScopeFromText(const QString &text)
{
    if (text == QLatin1String("department"))
        return TDataScope::department;
    if (text == QLatin1String("authority"))
        return TDataScope::authority;
    return TDataScope::office;
}

QString TMaindm::LocalComputerName() const
{
    return QSysInfo::machineHostName();
}

QString TMaindm::DBDatapath() const { return InitialisationDm ? InitialisationDm->DBDatapath() : QString(); }
QString TMaindm::DBServerName() const { return InitialisationDm ? InitialisationDm->DBServerName() : QString(); }
QString TMaindm::DBUserName() const { return InitialisationDm ? InitialisationDm->DBUserName() : QString(); }
QString TMaindm::DBPassword() const { return InitialisationDm ? InitialisationDm->DBPassword() : QString(); }
QString TMaindm::DBProtocol() const { return InitialisationDm ? InitialisationDm->DBProtocol() : QString(); }
bool TMaindm::DBIsActivated() const { return InitialisationDm && InitialisationDm->DBIsActivated(); }

QString TMaindm::GetNewSampleCode(qint64 sampleNumber)
{
    QString error;
    const QString code =
        ::GetNewSampleCode(LocalAuthorityCode(), InstallationId(), sampleNumber, ibConnection(), &error);
    if (!error.isEmpty())
        throw VarnexError(error);
    return code;
}

QString TMaindm::GetNewUUIDString() const
{
    return ::GetNewUUIDString();
}

QString TMaindm::GetDelimitedText(const QStringList &items) const
{
    return ::GetDelimitedText(items);
}

QString TMaindm::GetSamplingOfficerCodeFromName(const QString &name)
{
    QString error;
    const QString code = ::GetSamplingOfficerCodeFromName(name, ibConnection(), &error);
    if (!error.isEmpty())
        throw VarnexError(error);
    return code;
}

QByteArray TMaindm::CreateDatasetStream(QSqlQuery &dataset)
{
    QByteArray packet;
    QString error;
    if (!PacketCipher::makePacket(dataset, &packet, &error))
        throw VarnexError(error);
    return packet;
}

void TMaindm::SaveDataset(QSqlQuery &dataset, const QString &fileName)
{
    QString error;
    if (!PacketCipher::savePacket(dataset, fileName, &error))
        throw VarnexError(error);
}

void TMaindm::SaveDatasetAsXML(QSqlQuery &dataset, const QString &fileName)
{
    SaveDataset(dataset, fileName);
}
