#pragma once

#include <QString>

// The settings the form framework offers to forms.
class IGeneralInfo
{
public:
    virtual ~IGeneralInfo() = default;
    virtual QString RunMode() const = 0;
    virtual void SetRunMode(const QString &value) = 0;
    virtual QString Version() const = 0;
    virtual QString AppPath() const = 0;
    virtual int EditingColor() = 0;
    virtual int EditingActiveColor() = 0;
    virtual int InsertingColor() = 0;
    virtual bool AppBoldButtons() = 0;
    virtual bool EnterClosesLookup() const = 0;
    virtual bool ShowDeleted() const = 0;
    virtual void SetShowDeleted(bool value) = 0;
    virtual bool DoubleClickClosesMaint() const = 0;
    virtual void SetDoubleClickClosesMaint(bool value) = 0;
    virtual void SetDefaultDeletedFieldName(const QString &value) = 0;
    virtual QString DefaultDeletedFieldName() const = 0;
};

// IGeneralInfo plus the local authority's settings.
class IVRXInfo : public IGeneralInfo
{
public:
    virtual QString LocalAuthorityCode() = 0;
    // Kept for interface compatibility; it has no behaviour.
    virtual void Reserved() {}
    virtual QString LocalAuthorityOfficeCode() = 0;
    virtual QString LaboratoryCode() = 0;
    virtual QString LaboratoryCodeChemical() = 0;
    virtual QString LaboratoryCodeMicro() = 0;
    virtual QString AnalysisType() = 0;
    virtual int MinDurablityYearLimit() = 0;
    virtual int MaxDurablityYearLimit() = 0;
    virtual QString InstallationId() = 0;
    virtual QString LaboratoryId() = 0;
};

// Where the user's local store is, as the login module found or made it.
class IInitialisationInfo
{
public:
    virtual ~IInitialisationInfo() = default;
    virtual QString DBServerName() const = 0;
    virtual QString DBDatapath() const = 0;
    virtual QString DBUserName() const = 0;
    virtual QString DBPassword() const = 0;
    virtual QString DBProtocol() const = 0;
    virtual bool DBIsActivated() const = 0;
};

// The data scope of the user's synchronisation download.
enum class TDataScope { office, department, authority };
