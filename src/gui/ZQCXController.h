#pragma once

#include "data/DataSet.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class SqlDataSet;

enum TzqcxControlState { csInactive, csBrowse, csEdit, csInsert };

// What a controller asks of the editors it links: recolour yourself, forget me. Every data-aware
// Tzqcx editor implements it; any other widget may still be marked invalid.
class IzqcxLinkedControl
{
public:
    virtual ~IzqcxLinkedControl() = default;
    virtual void zqcxRecolour() = 0;
    virtual void zqcxUnlink() = 0;
};

// Colours the editors of a form by the state of the record they edit and keeps the list of
// entries that failed validation. Validation calls ClearInvalidEntryList, then
// AddControlToInvalidList for each failed rule, then RaiseValidatationErrors, after which the caller
// raises its own message.
class TzqcxFocusController : public QObject
{
    Q_OBJECT
public:
    explicit TzqcxFocusController(QObject *owner = nullptr);
    ~TzqcxFocusController() override;

    QColor FocusColor;
    QColor UnfocusColor;
    QColor EditFocusColor;
    QColor EditColor;
    QColor InsertFocusColor;
    QColor InsertColor;
    QColor InvalidFocusColor;
    QColor InvalidValueColor;

    SqlDataSet *Datasource() const { return m_dataSource; }
    void SetDatasource(SqlDataSet *dataSource);
    int InvalidListCount() const { return int(m_invalid.size()); }

    void AddControlLink(QWidget *Control);
    void RemoveControlLink(QWidget *Control);
    void NotifyControlLinks();
    // Called by an editor that is being destroyed: drops it from both lists and sends it nothing.
    void ForgetDestroyedControl(QWidget *Control);
    QList<QWidget *> LinkedControls() const;

    void AddControlToInvalidList(QWidget *Control, const QString &ErrorMessage);
    void RemoveControlFromInvalidList(QWidget *Control);
    void ClearInvalidEntryList();
    bool IsControlInvalid(QWidget *AControl) const;
    // The message an invalid editor was first registered with; empty when it is valid.
    QString InvalidEntryMessage(QWidget *AControl) const;
    // Shows the first invalid editor (making every tab page on its way the current page) and gives
    // it the focus; true when there was one. Raises nothing.
    bool RaiseValidatationErrors();
    // Makes every tab page on the way from the control up to its window the current page of its
    // tab widget (innermost first) and gives the control the focus.
    static void ShowControl(QWidget *control);

    QColor GetFocusColorForControl(QWidget *Control, TzqcxControlState State) const;
    QColor GetColorForControl(QWidget *Control, TzqcxControlState State) const;

    // The state the editors show for the bound dataset (every state but the four named ones
    // counts as browse).
    TzqcxControlState CurrentState() const;
    static TzqcxControlState StateOf(int dataSetState);

    // Recolours every linked editor, from the last linked to the first.
    void DataSourceChangeState(QObject *Sender);

    // The system window colour, which "clWindow" stands for.
    static QColor WindowColor();

private:
    struct InvalidEntry
    {
        QString message;
        QPointer<QWidget> control;
    };

    static void recolour(QWidget *w);
    int invalidIndex(const QWidget *w) const;
    void invalidControlDestroyed(QObject *gone);

    QList<QPointer<QWidget>> m_links;
    QList<InvalidEntry> m_invalid;
    QPointer<SqlDataSet> m_dataSource;
    QMetaObject::Connection m_stateConnection;
};
