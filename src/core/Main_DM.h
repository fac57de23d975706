#pragma once

#include "core/GeneralInfo.h"

#include <QObject>
#include <QSqlQuery>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The central data module: owns the main connection to the user's local store, serves the
// authority settings (the one row of SYS_COMPANY) and the user and installation settings (the one
// row of SYS_LOCAL_SETTINGS), and holds the run-time state of the logged-in user.
//
// Settings are never cached: each read goes to the database, so a change saved by the setup form
// or brought down by synchronisation is seen by the next read.
class TMaindm : public QObject, public IVRXInfo
{
    Q_OBJECT
public:
    static constexpr const char *ConnectionName = "Maindm.ibConnection";

    explicit TMaindm(QObject *parent = nullptr);
    ~TMaindm() override;

    // The main connection; every form and module works on the local store through it.
    QSqlDatabase ibConnection() const;

    // Opens the main connection on the login module's DBDatapath. Sets RunMode in every case;
    // throws VarnexError, with the text to show, when the store cannot be opened.
    void ConnectToUserDatabase(const QString &emailAddress);
    void Disconnect();

    // The unattended login against the store's own settings: sets UserID, then applies the login
    // rule (requireAccountMayLogIn), throwing LoginRefused for a suspended account or a store that
    // another address's online login recorded. The password is not compared.
    void Login(const QString &emailAddress, const QString &password);

    // Brings the open store's structure up to date; throws VarnexError on a database failure.
    void CheckDBStructure();

    // Run-time state.
    QString Personality;
    bool CloseApp = false;
    bool AllowInvalidSampleImport = false;
    bool ReportDesignEnabled = false;
    qint64 UserID = 0;
    bool UserIsSuspended = false;
    IInitialisationInfo *InitialisationDm = nullptr;

    // IGeneralInfo
    QString RunMode() const override { return m_runMode; }
    void SetRunMode(const QString &value) override { m_runMode = value; }
    QString Version() const override;
    QString AppPath() const override;
    int EditingColor() override;
    int EditingActiveColor() override;
    int InsertingColor() override;
    bool AppBoldButtons() override;
    bool EnterClosesLookup() const override { return true; }
    bool ShowDeleted() const override { return m_showDeleted; }
    void SetShowDeleted(bool value) override { m_showDeleted = value; }
    bool DoubleClickClosesMaint() const override { return m_doubleClickClosesMaint; }
    void SetDoubleClickClosesMaint(bool value) override { m_doubleClickClosesMaint = value; }
    void SetDefaultDeletedFieldName(const QString &value) override { m_defaultDeletedFieldName = value; }
    QString DefaultDeletedFieldName() const override { return m_defaultDeletedFieldName; }

    // IVRXInfo
    QString LocalAuthorityCode() override;
    QString LocalAuthorityOfficeCode() override;
    QString LaboratoryCode() override;
    QString LaboratoryCodeChemical() override;
    QString LaboratoryCodeMicro() override;
    QString AnalysisType() override;
    int MinDurablityYearLimit() override;
    int MaxDurablityYearLimit() override;
    QString InstallationId() override;
    QString LaboratoryId() override;

    // Further authority settings.
    QString LocalAuthorityDescription();
    QString LocalAuthorityOfficeDescription();
    QString AFAnalysisType();
    QString AFLaboratoryCodeChemical();
    QString AFLaboratoryCodeMicro();
    bool KeepAlive();
    bool ShowInternetLoginDialog();
    bool ShowSupport();
    QString XMlImportFieldDefsFile();
    bool UseISOCountryCodes();
    bool UseLAEMSPremisesCodes();
    bool UseWW3XMLDates();
    QString LocalLaboratories();

    // User settings of the local store.
    QString UserLoginEmail();
    QString UserLoginPassword();
    bool UserIsAdmin();
    TDataScope DataScope();

    // Sample codes and query helpers. GetNewSampleCode takes the next GEN_SAMPLE value when the
    // number is 0; failures throw VarnexError.
    QString GetNewSampleCode(qint64 sampleNumber = 0);
    QString GetNewUUIDString() const;
    QString GetDelimitedText(const QStringList &items) const;
    QString GetSamplingOfficerCodeFromName(const QString &name);

    // The enciphered laboratory packet of a dataset, in memory or written to a file (replacing it
    // only when the whole packet was written). Failures throw VarnexError.
    QByteArray CreateDatasetStream(QSqlQuery &dataset);
    void SaveDataset(QSqlQuery &dataset, const QString &fileName);
    void SaveDatasetAsXML(QSqlQuery &dataset, const QString &fileName);

    // Constants and installation values.
    static QString AppName() { return QStringLiteral("VRXNet"); }
    QString LocalComputerName() const;
    static QString NewsPath() { return QStringLiteral("/varnexwebapp/news/index"); }

    // The login module's store values; empty (false) while no login module is set.
    QString DBDatapath() const;
    QString DBServerName() const;
    QString DBUserName() const;
    QString DBPassword() const;
    QString DBProtocol() const;
    bool DBIsActivated() const;

    // Interprets a stored data-scope text: only the exact lower-case words select department or
    // authority; anything else is office.
    static TDataScope dataScopeFromText(const QString &text);

private:
    QVariant companyValue(const char *column);
    QVariant localSettingsValue(const char *column);
    QString companyText(const char *column);
    bool companyFlag(const char *column);
    int companyColour(const char *column);

    QString m_runMode;
    bool m_showDeleted = false;
    bool m_doubleClickClosesMaint = false;
    QString m_defaultDeletedFieldName;
};

// The one instance, created at start-up.
extern TMaindm *Maindm;
