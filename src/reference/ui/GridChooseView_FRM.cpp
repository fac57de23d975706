#include "reference/ui/GridChooseView_FRM.h"

#include "base/Prompter.h"
#include "core/Main_DM.h"

#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

TGridChooseViewFrm::TGridChooseViewFrm(QObject *AOwner) : TBasefrm(AOwner)
{
    setWindowTitle(QStringLiteral("Choose View"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const TGridViewStorageDm *store = qobject_cast<TGridViewStorageDm *>(AOwner);
    qryViewSettings = new GridModel(this);
    qryViewSettings->setObjectName(QStringLiteral("qryViewSettings"));
    if (store)
        qryViewSettings->setDatabase(store->database());
    qryViewSettings->setSql(TGridViewStorageDm::StoredViewsSql());
    qryViewSettings->setKeyColumn(QStringLiteral("ID"));
    qryViewSettings->setSort({{QStringLiteral("DESCRIPTION"), Qt::AscendingOrder}});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    grdViews = new DataGridView(this);
    grdViews->setObjectName(QStringLiteral("grdViews"));
    grdViews->setGridModel(qryViewSettings);
    grdViews->setColumns({{QStringLiteral("DESCRIPTION"), QStringLiteral("Description")}});
    grdViews->horizontalHeader()->hide();
    grdViews->horizontalHeader()->setSectionsMovable(false);
    grdViews->horizontalHeader()->setContextMenuPolicy(Qt::NoContextMenu);
    grdViews->setShowGrid(false);
    layout->addWidget(grdViews, 1);

    auto *buttons = new QHBoxLayout;
    btnUseView = new QPushButton(QStringLiteral("Use view"), this);
    btnUseView->setObjectName(QStringLiteral("btnUseView"));
    btnUseView->setDefault(true);
    btnDelete = new QPushButton(QStringLiteral("Delete"), this);
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    buttons->addWidget(btnUseView);
    buttons->addWidget(btnDelete);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);

    connect(btnUseView, &QPushButton::clicked, this, &TGridChooseViewFrm::UseView);
    connect(btnDelete, &QPushButton::clicked, this, &TGridChooseViewFrm::DeleteView);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    connect(grdViews, &QAbstractItemView::doubleClicked, this, &TGridChooseViewFrm::UseView);
    connect(qryViewSettings, &GridModel::loadFailed, this,
            [this](const QString &message) { Prompter::current().error(windowTitle(), message); }, Qt::QueuedConnection);

    resize(320, 340);
}

TGridChooseViewFrm::~TGridChooseViewFrm()
{
    if (m_viewWindow)
        m_viewWindow->removeEventFilter(this);
    // The list goes before the connection it reads.
    delete grdViews;
    delete qryViewSettings;
}

TGridViewStorageDm *TGridChooseViewFrm::storage() const
{
    return qobject_cast<TGridViewStorageDm *>(Owner());
}

void TGridChooseViewFrm::guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(windowTitle(), e.message());
    }
}

void TGridChooseViewFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    IGridLayoutView *view = nullptr;
    if (auto *d = dynamic_cast<TGridChooseViewFrmDefaults *>(DefaultInfo.get())) {
        m_formName = d->FormName;
        view = d->View;
    }
    TBasefrm::InitialiseDefaults(std::move(DefaultInfo));
    follow(view);
    btnDelete->setVisible(Maindm && Maindm->UserIsAdmin());

    guarded([&]() {
        qryViewSettings->close();
        const QList<std::pair<QString, QString>> params =
            view ? TGridViewStorageDm::ViewParams(*view) : QList<std::pair<QString, QString>>{};
        for (const QString &name : {QStringLiteral("APPLICATION_NAME"), QStringLiteral("FORM_NAME"), QStringLiteral("VIEW_NAME")})
            qryViewSettings->setParam(name, QString());
        for (const auto &[name, value] : params)
            qryViewSettings->setParam(name, value);
        if (TGridViewStorageDm *store = storage())
            qryViewSettings->setDatabase(store->database());
        grdViews->openAt(QVariant());
    });
}

void TGridChooseViewFrm::follow(IGridLayoutView *view)
{
    if (m_viewObject)
        disconnect(m_viewObject, nullptr, this, nullptr);
    if (m_viewWindow)
        m_viewWindow->removeEventFilter(this);
    m_view = view;
    m_viewObject = view ? view->ViewObject() : nullptr;
    m_viewWindow = nullptr;
    if (!m_viewObject)
        return;
    connect(m_viewObject, &QObject::destroyed, this, [this]() {
        m_view = nullptr;
        close();
    });
    if (auto *widget = qobject_cast<QWidget *>(m_viewObject.data())) {
        // A window of the view's form: on top of it, usable while it is modal, gone with it.
        m_viewWindow = widget->window();
        if (parentWidget() != m_viewWindow) {
            const Qt::WindowFlags flags = windowFlags();
            setParent(m_viewWindow, flags);
        }
        m_viewWindow->installEventFilter(this);
    }
}

bool TGridChooseViewFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewWindow && (event->type() == QEvent::Close || event->type() == QEvent::Hide) && isVisible())
        QMetaObject::invokeMethod(this, [this]() { close(); }, Qt::QueuedConnection);
    return TBasefrm::eventFilter(watched, event);
}

void TGridChooseViewFrm::UseView()
{
    guarded([this]() {
        const QVariant key = grdViews->currentKey();
        IGridLayoutView *view = View();
        TGridViewStorageDm *store = storage();
        if (!key.isValid() || !view || !store)
            return;
        store->ApplyStoredView(key.toLongLong(), *view);
    });
}

void TGridChooseViewFrm::DeleteView()
{
    guarded([this]() {
        const QVariant key = grdViews->currentKey();
        TGridViewStorageDm *store = storage();
        if (!key.isValid() || !store)
            return;
        if (!Prompter::current().question(windowTitle(), DeleteQuestion()))
            return;
        store->DeleteStoredView(key.toLongLong());
        qryViewSettings->refresh();
    });
}

void TGridChooseViewFrm::InstallInto(TGridViewStorageDm &storage)
{
    storage.SetChooserOpener([](TGridViewStorageDm &s, IGridLayoutView &view) {
        auto defaults = std::make_unique<TGridChooseViewFrmDefaults>();
        defaults->FormName = view.FormName();
        defaults->View = &view;
        TBasefrm::CreateAndShow<TGridChooseViewFrm>(QStringLiteral("ChooseView"), &s, false, std::move(defaults));
    });
    storage.SetExcelFileAsker([]() {
        QString fileName = QFileDialog::getSaveFileName(QApplication::activeWindow(), QStringLiteral("Save to Excel"),
                                                        QString(), QStringLiteral("Excel (*.xlsx)"));
        if (!fileName.isEmpty() && !fileName.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
            fileName += QStringLiteral(".xlsx");
        return fileName;
    });
}
