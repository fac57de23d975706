#pragma once

#include "gui/Base_FRM.h"
#include "gui/DataGridView.h"
#include "layouts/GridViewStorage_DM.h"

#include <QPointer>

class QPushButton;

class TGridChooseViewFrmDefaults : public TDefaultInfo
{
public:
    QString FormName;
    // The view the chosen layout goes to; it must outlive the chooser or take it along (the
    // chooser closes when the view's form closes or goes).
    IGridLayoutView *View = nullptr;
};

// "Choose View": the layouts kept for one grid view, by name, to apply one ("Use view", or a
// double click; the chooser stays open) or, for an authority administrator, to delete one. Opened
// modeless by the layout store with the key "ChooseView", so that there is one chooser at a time;
// opened again for another view, it turns to that view. It stays on top of its view's form and
// closes with it.
class TGridChooseViewFrm : public TBasefrm
{
    Q_OBJECT
public:
    static QString DeleteQuestion() { return QStringLiteral("Are you sure you want to delete this view?"); }

    explicit TGridChooseViewFrm(QObject *AOwner);
    ~TGridChooseViewFrm() override;

    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    // Gives the layout store its chooser and the question for an Excel file.
    static void InstallInto(TGridViewStorageDm &storage);

    IGridLayoutView *View() const { return m_viewObject ? m_view : nullptr; }
    QString FormName() const { return m_formName; }

    GridModel *qryViewSettings;
    DataGridView *grdViews;
    QPushButton *btnUseView;
    QPushButton *btnDelete;
    QPushButton *btnClose;

public slots:
    void UseView();
    void DeleteView();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TGridViewStorageDm *storage() const;
    void follow(IGridLayoutView *view);
    void guarded(const std::function<void()> &work);

    IGridLayoutView *m_view = nullptr;
    QPointer<QObject> m_viewObject;
    QPointer<QWidget> m_viewWindow;
    QString m_formName;
};
