#pragma once

// A store ready for sample imports (the laboratory export store: authority "ABC", installation "07",
// office "ABC01", officers JB, ON and FF) with the lookup lists that an imported food sample's codes
// are checked against and the small category tree of the picker's tests, loaded into a lookup module;
// the clock stands on 15 June 2014. Sample documents in the sample exchange form are written from a
// list of element values.

#include "../reference/CategoryTreeFixture.h"
#include "ExportFixture.h"
#include "SampleDocument.h"

#include "base/Clock.h"
#include "data/MemDataStream.h"
#include "reference/LookupData_DM.h"

#include <QFile>
#include <QTemporaryDir>

namespace ImportFixture {

// The program folder whose definitions folder holds the shipped definitions.
inline QString programFolder()
{
    return QStringLiteral(VARNEX_BIN_DIR);
}

inline DataTable codeList(const QList<QPair<QString, QString>> &rows)
{
    DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}});
    for (const auto &row : rows)
        t.appendRow({row.first, row.second});
    return t;
}

inline DataTable nameList(const QStringList &names)
{
    DataTable t({{"Name", FieldType::String, 100}});
    for (const QString &name : names)
        t.appendRow({name});
    return t;
}

struct ImportStore : ExportStore
{
    FixedClock clock{QDateTime(QDate(2014, 6, 15), QTime(12, 0))};
    ScopedClock scopedClock{&clock};
    std::unique_ptr<TLookupDataDm> lookups;
    QTemporaryDir files;

    ImportStore()
    {
        qint64 id = 100;
        const auto list = [&](const char *name, const DataTable &table) {
            CategoryFixture::addList(store, QLatin1String(name), table, ++id);
        };
        list("mdCategoryTree", CategoryFixture::tree());
        list("mdFeedCategoryTree", CategoryFixture::tree());
        list("mdMAFF", CategoryFixture::maff());
        list("mdPremisesType", codeList({{"R", "Restaurant"}, {"T", "Takeaway"}}));
        list("FeedPremisesType", codeList({{"FM", "Feed mill"}}));
        list("mdLAEMSPremisesType", codeList({{"R", "Restaurant"}, {"L", "LAEMS only"}}));
        list("mdSampleTypeSurveillance", codeList({{"SV1", "Routine survey"}}));
        list("mdSampleTypeEnforcement", codeList({{"EN1", "Complaint"}}));
        list("mdFoodSafetyRiskCategory", codeList({{"A", "High"}}));
        list("mdFoodStandardsRiskCategory", codeList({{"B", "Medium"}}));
        list("mdProductType", codeList({{"P", "Prepacked"}}));
        list("mdPackagingType", codeList({{"P", "Packed"}, {"N", "None"}}));
        list("mdMaterialType", codeList({{"G", "Glass"}}));
        list("mdDurability", codeList({{"D", "Use by"}, {"E", "Best before end"}}));
        list("mdCondition", codeList({{"C", "Chilled"}, {"F", "Frozen"}}));
        list("mdLaboratory", codeList({{"LAB1", "County Laboratory"}}));
        list("mdReasonTaken", codeList({{"E", "Enforcement"}, {"S", "Surveillance"}}));
        list("mdCountry", nameList({"UNITED KINGDOM", "FRANCE"}));
        list("mdUKCountry", nameList({"UNITED KINGDOM"}));
        list("mdEUCountry", nameList({"FRANCE"}));
        store.exec(QStringLiteral("UPDATE SYS_COMPANY SET DURABILITY_YEAR_LOWER_OFFSET = 1, DURABILITY_YEAR_UPPER_OFFSET = 10"));
        lookups = std::make_unique<TLookupDataDm>([this]() { return maindm->ibConnection(); },
                                                  []() { return QString(); });
        lookups->RefreshDatasetsFromDatabase();
        maindm->Personality = QStringLiteral("FOOD");
    }

    ~ImportStore() { lookups.reset(); }

    // Writes a file into the store's folder of files and returns its path.
    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = files.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    void addTerm(const QString &group, const QString &field, const QString &from, const QString &to,
                 const QString &deleted = QStringLiteral("F"))
    {
        store.exec(QStringLiteral("INSERT INTO SYS_TRANSLATION (UNIQUE_UUID, GROUP_NAME, FIELD_NAME, FROM_VALUE, TO_VALUE, "
                                  "FLAG_DELETED) VALUES (?, ?, ?, ?, ?, ?)"),
                   {newUuid(), group, field, from, to, deleted});
    }

    QVariant sampleValue(const QString &laNumber, const QString &column)
    {
        return store.scalar(QStringLiteral("SELECT %1 FROM SAMPLE WHERE LA_SAMPLENO = ?").arg(column), {laNumber});
    }
};

} // namespace ImportFixture
