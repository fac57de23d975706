#include "core/Main_DM.h"

#include "base/VarnexError.h"
#include "core/LoginRules.h"
#include "core/SampleCodes.h"
#include "data/PacketCipher.h"
#include "store/DatabaseUpdate_DM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"

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
    return QStringLiteral("SELECT FIRST 1 %1 FROM %2")
        .arg(SqlUtil::quoteIdentifier(QLatin1String(column)), SqlUtil::quoteIdentifier(QLatin1String(table)));
}
} // namespace

TMaindm::TMaindm(QObject *parent) : QObject(parent) {}

TMaindm::~TMaindm()
{
    closeDatabaseConnection(QLatin1String(ConnectionName));
}

QSqlDatabase TMaindm::ibConnection() const
{
    return QSqlDatabase::database(QLatin1String(ConnectionName), false);
}

void TMaindm::Disconnect()
{
    // Closed but kept by name: the forms find the main connection by that name.
    if (QSqlDatabase::contains(QLatin1String(ConnectionName)))
        ibConnection().close();
}

void TMaindm::ConnectToUserDatabase(const QString &emailAddress)
{
    Disconnect();
    m_runMode = QStringLiteral(": for user ") + emailAddress;
    QString cause;
    const QSqlDatabase db = openLocalDatabaseAs(DBDatapath(), QLatin1String(ConnectionName), DBUserName(),
                                                DBPassword(), &cause);
    if (!db.isOpen())
        throw VarnexError(QStringLiteral("Unable to open connection to database. Error message:\r\n\r\n") + cause);
}

void TMaindm::Login(const QString &emailAddress, const QString &password)
{
    Q_UNUSED(password) // the unattended login is trusted to the local store; nothing compares it
    const QSqlDatabase db = ibConnection();
    const QVariant userId = SqlUtil::scalar(db, QStringLiteral("SELECT FIRST 1 USER_ID FROM SYS_LOCAL_SETTINGS"));
    if (!userId.isValid())
        throw VarnexError(QStringLiteral("The local settings of this data store are missing."));
    UserID = userId.toLongLong();
    UserIsSuspended = false;
    try {
        requireAccountMayLogIn(emailAddress, DBDatapath(), accountStandingInStore(db, emailAddress));
    } catch (const AccountSuspended &) {
        UserIsSuspended = true;
        throw;
    }
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
    return ::GetNewSampleCode(LocalAuthorityCode(), InstallationId(), sampleNumber, ibConnection());
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
    return ::GetSamplingOfficerCodeFromName(name, ibConnection());
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
