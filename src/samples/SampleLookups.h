#pragma once

#include <QString>

class TLookupDataDm;

// The questions the sample rules ask of the in-memory lookup lists, by table name ("mdMAFF",
// "FeedPremisesType"). Answered from memory, never from the database, so the rules can run once per
// row of an import. The program answers them from TLookupDataDm (LookupDataSampleLookups); tests
// from a fixture.
class SampleLookups
{
public:
    virtual ~SampleLookups() = default;

    // Rows the list holds; 0 for a list the store has not filled (or an unknown name). Codes are
    // only ever cleared against a list that has rows: an empty list knows nothing.
    virtual int rowCount(const QString &list) const = 0;
    // Whether a row's Code is exactly the code (letter case counts): TLookupDataDm::CheckCodeExists.
    virtual bool CheckCodeExists(const QString &code, const QString &list) const = 0;
    // Whether a row's Name is exactly the name (the country lists).
    virtual bool hasName(const QString &name, const QString &list) const = 0;
    // The Description of the row whose Code is the code; empty when there is none.
    virtual QString description(const QString &code, const QString &list) const = 0;
    // TLookupDataDm::HelpForCategory.
    virtual QString HelpForCategory(const QString &code) const = 0;
};

// The lookup module's answers.
class LookupDataSampleLookups : public SampleLookups
{
public:
    explicit LookupDataSampleLookups(const TLookupDataDm &lookups) : m_lookups(lookups) {}

    int rowCount(const QString &list) const override;
    bool CheckCodeExists(const QString &code, const QString &list) const override;
    bool hasName(const QString &name, const QString &list) const override;
    QString description(const QString &code, const QString &list) const override;
    QString HelpForCategory(const QString &code) const override;

private:
    const TLookupDataDm &m_lookups;
};

