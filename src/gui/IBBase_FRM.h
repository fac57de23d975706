#pragma once

#include "gui/Base_FRM.h"
#include "data/DataSet.h"
#include "store/LocalTransaction.h"

#include <QAction>
#include <QSqlDatabase>

// Parameters of a database form. IBTransaction, when set, moves every dataset of the form onto
// that transaction's connection instead of the form's own.
class TIBBaseDefaultInfo : public TDefaultInfo
{
public:
    LocalTransaction *IBTransaction = nullptr;
};

class TIBBaseReturnInfo : public TReturnInfo
{
};

// A form with a transaction of its own on the user's local store (a connection of its own to the
// database of the main connection), a refresh-everything action (Ctrl+R) and a guard that keeps
// the form open while its transaction is open. Its datasets are the SqlDataSet children of the
// form, made on LocalDatabase().
class TIBBasefrm : public TBasefrm
{
    Q_OBJECT
public:
    explicit TIBBasefrm(QObject *AOwner);
    ~TIBBasefrm() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;
    // Refreshes every open dataset of the form that is not being edited.
    virtual void RefreshData();

    // The connection the form's datasets work on.
    QSqlDatabase LocalDatabase() const { return trnLocal->database(); }
    // The main connection of the program, from which the form's own is made.
    static QSqlDatabase MainConnection();

    LocalTransaction *trnLocal;
    QAction *actRogueTransaction;
    QAction *actRefreshData;

protected:
    bool FormCloseQuery() override;
    virtual void actRogueTransactionExecute();
    virtual void actRefreshDataExecute();
};
