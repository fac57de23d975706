#include "samples/DuplicateSample_DM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "samples/SampleRecord.h"
#include "store/LocalTransaction.h"
#include "store/SqlUtil.h"

#include <QSqlQuery>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

} // namespace

TDuplicateSampleDm::TDuplicateSampleDm(const QSqlDatabase &db, OptionsDialog askOptions, CodeSource newCode)
    : m_connection(db.connectionName()), m_askOptions(std::move(askOptions)), m_newCode(std::move(newCode))
{
}

TDuplicateSampleDm::~TDuplicateSampleDm() = default;

QString TDuplicateSampleDm::DuplicateSample(const QString &uuid, bool &Edit)
{
    Edit = false;
    const std::optional<DuplicateSampleOptions> options = m_askOptions ? m_askOptions() : std::nullopt;
    if (!options)
        return QString();

    QString newUuid;
    try {
        if (options->NumberToCreate < 0 || options->NumberToCreate > MaxCopies)
            throw VarnexError(u"The number of copies must be from 0 to %1; %2 was asked for."_s
                                  .arg(MaxCopies)
                                  .arg(options->NumberToCreate));
        LocalTransaction transaction(QSqlDatabase::database(m_connection, false));
        if (!transaction.isConnected())
            throw VarnexError(transaction.connectError());
        const QSqlDatabase db = transaction.database();
        transaction.StartTransaction();
        try {
            QSqlQuery copy = SqlUtil::exec(db, u"EXECUTE PROCEDURE SAMPLE_DUPLICATE_R1 (?, ?, ?, ?)"_s,
                                           {uuid, options->UseSampleOfficer ? u"T"_s : u"F"_s,
                                            options->UseDateTime ? u"T"_s : u"F"_s, options->NumberToCreate});
            if (copy.next())
                newUuid = copy.value(0).toString();
            copy.finish();
            QList<qint64> ids;
            QSqlQuery waiting = SqlUtil::exec(db, u"SELECT ID FROM SAMPLE WHERE CODE = ? ORDER BY ID"_s, {DuplicateCode});
            while (waiting.next())
                ids.append(waiting.value(0).toLongLong());
            waiting.finish();
            for (const qint64 id : ids)
                SqlUtil::exec(db, u"UPDATE SAMPLE SET CODE = ? WHERE ID = ?"_s, {m_newCode(), id});
            transaction.Commit();
        } catch (...) {
            try {
                transaction.Rollback();
            } catch (const VarnexError &) {
                // The failure that led here is the one to report.
            }
            throw;
        }
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, u"The sample was not duplicated: %1"_s.arg(e.message()));
        return QString();
    }
    // Only a committed copy is offered for editing.
    if (options->NumberToCreate == 1 && options->OpenAfterCreate && !newUuid.isEmpty()) {
        Edit = true;
        return newUuid;
    }
    return QString();
}
