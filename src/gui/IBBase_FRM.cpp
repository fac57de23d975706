#include "gui/IBBase_FRM.h"

#include "core/Main_DM.h"

TIBBasefrm::TIBBasefrm(QObject *AOwner) : TBasefrm(AOwner)
{
    trnLocal = new LocalTransaction(MainConnection(), this);
    trnLocal->setObjectName(QStringLiteral("trnLocal"));

    actRogueTransaction = new QAction(QStringLiteral("Commit open transaction"), this);
    actRogueTransaction->setObjectName(QStringLiteral("actRogueTransaction"));
    actRogueTransaction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
    actRefreshData = new QAction(QStringLiteral("Refresh"), this);
    actRefreshData->setObjectName(QStringLiteral("actRefreshData"));
    actRefreshData->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    for (QAction *a : {actRogueTransaction, actRefreshData}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    connect(actRogueTransaction, &QAction::triggered, this, [this]() { actRogueTransactionExecute(); });
    connect(actRefreshData, &QAction::triggered, this, [this]() { actRefreshDataExecute(); });
}

TIBBasefrm::~TIBBasefrm()
{
    // The datasets go before the connection they work on.
    const auto dataSets = findChildren<SqlDataSet *>();
    for (SqlDataSet *ds : dataSets)
        delete ds;
}

QSqlDatabase TIBBasefrm::MainConnection()
{
    return QSqlDatabase::database(QLatin1String(TMaindm::ConnectionName), false);
}

void TIBBasefrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    auto *ib = dynamic_cast<TIBBaseDefaultInfo *>(DefaultInfo.get());
    if (ib && ib->IBTransaction) {
        const QSqlDatabase db = ib->IBTransaction->database();
        for (SqlDataSet *ds : findChildren<SqlDataSet *>()) {
            const bool wasOpen = ds->isActive();
            ds->close();
            ds->setDatabase(db);
            if (wasOpen)
                ds->open();
        }
    }
    TBasefrm::InitialiseDefaults(std::move(DefaultInfo));
}

bool TIBBasefrm::FormCloseQuery()
{
    if (!TBasefrm::FormCloseQuery())
        return false;
    return !trnLocal->InTransaction();
}

void TIBBasefrm::actRogueTransactionExecute()
{
    if (!trnLocal->InTransaction())
        return;
    try {
        trnLocal->CommitRetaining();
    } catch (const VarnexError &) {
        // Not reported: a transaction that cannot be committed is given up.
        try {
            trnLocal->Rollback();
        } catch (const VarnexError &) {
        }
    }
}

void TIBBasefrm::actRefreshDataExecute()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore
    {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    for (SqlDataSet *ds : findChildren<SqlDataSet *>()) {
        if (ds->isActive() && !ds->isEditing())
            ds->refresh();
    }
}

void TIBBasefrm::RefreshData()
{
    actRefreshData->trigger();
}
