#include "samples/ui/SampleClientOutcomes_Frm.h"

#include "base/Background.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int CodeRole = Qt::UserRole;
constexpr int OutcomeCodeRole = Qt::UserRole + 1;

} // namespace

TSampleClientOutcomesFrm::TSampleClientOutcomesFrm(QObject *AOwner) : TBasefrm(AOwner)
{
    setWindowTitle(u"Client outcomes"_s);
    auto *layout = new QVBoxLayout(this);
    auto *halves = new QHBoxLayout;
    halves->setSpacing(10);

    auto *picked = new QGroupBox(u"Outcomes"_s, this);
    auto *pickedLayout = new QVBoxLayout(picked);
    lstPicked = new QTreeWidget(picked);
    lstPicked->setObjectName(u"lstPicked"_s);
    lstPicked->setColumnCount(2);
    lstPicked->setHeaderLabels({u"Category"_s, u"Outcome"_s});
    lstPicked->setRootIsDecorated(false);
    lstPicked->header()->setSectionResizeMode(QHeaderView::Stretch);
    pickedLayout->addWidget(lstPicked);

    auto *available = new QGroupBox(u"Available outcomes"_s, this);
    auto *availableLayout = new QHBoxLayout(available);
    lstCategories = new QListWidget(available);
    lstCategories->setObjectName(u"lstCategories"_s);
    lstOutcomes = new QListWidget(available);
    lstOutcomes->setObjectName(u"lstOutcomes"_s);
    availableLayout->addWidget(lstCategories, 2);
    availableLayout->addWidget(lstOutcomes, 3);
    connect(lstCategories, &QListWidget::itemClicked, this, [this]() { lstCategoriesClick(); });
    connect(lstCategories, &QListWidget::currentRowChanged, this, [this]() {
        if (!m_filling)
            lstCategoriesClick();
    });
    connect(lstCategories, &QListWidget::itemDoubleClicked, this, [this]() { lstCategoriesDblClick(); });
    connect(lstOutcomes, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) { outcomeCheckChanged(item); });

    halves->addWidget(picked, 2);
    halves->addWidget(available, 3);
    layout->addLayout(halves, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnSave = new QPushButton(u"Save and close"_s, this);
    btnSave->setObjectName(u"btnSave"_s);
    btnSave->setDefault(true);
    btnClose = new QPushButton(u"Close without saving"_s, this);
    btnClose->setObjectName(u"btnClose"_s);
    btnClose->setAutoDefault(false);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);
    connect(btnSave, &QPushButton::clicked, this, [this]() { actSaveExecute(); });
    connect(btnClose, &QPushButton::clicked, this, [this]() { reject(); });
    resize(1040, 480);
}

TSampleClientOutcomesFrm::~TSampleClientOutcomesFrm() = default;

void TSampleClientOutcomesFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    CentralServerSettings server;
    if (auto *defaults = dynamic_cast<TsampleClientOutcomesFrmDefaults *>(DefaultInfo.get())) {
        m_sampleCode = defaults->SampleCode;
        m_headingCode = defaults->HeadingCode;
        server = defaults->Server;
    }
    TBasefrm::InitialiseDefaults(std::move(DefaultInfo));
    m_headingDescription = outcomeHeadingDescription(m_headingCode);
    // A form initialised again starts with a client of its own.
    m_session = std::make_shared<ClientOutcomesSession>(server);
    LoadOutcomes();
}

void TSampleClientOutcomesFrm::LoadOutcomes()
{
    const std::shared_ptr<ClientOutcomesSession> session = m_session;
    const QString sample = m_sampleCode;
    const QString heading = m_headingCode;
    m_loaded = waitInBackground([session, sample, heading]() {
        session->Login();
        return session->LoadOutcomes(sample, heading);
    });
    m_filling = true;
    lstOutcomes->clear();
    lstCategories->clear();
    lstPicked->clear();
    for (const OutcomeChoice &category : std::as_const(m_loaded.categories)) {
        auto *item = new QListWidgetItem(category.description, lstCategories);
        item->setData(CodeRole, category.code);
    }
    for (const PickedOutcome &p : std::as_const(m_loaded.picked))
        addPicked(p);
    m_filling = false;
    if (lstCategories->count() > 0)
        lstCategories->setCurrentRow(0);
    lstCategoriesClick();
}

OutcomeChoice TSampleClientOutcomesFrm::selectedCategory() const
{
    const QListWidgetItem *item = lstCategories->currentItem();
    if (!item)
        return {};
    return {item->data(CodeRole).toString(), item->text()};
}

void TSampleClientOutcomesFrm::addPicked(const PickedOutcome &picked)
{
    auto *item = new QTreeWidgetItem(lstPicked, {picked.category.description, picked.outcome.description});
    item->setData(0, CodeRole, picked.category.code);
    item->setData(1, CodeRole, picked.outcome.code);
}

QList<PickedOutcome> TSampleClientOutcomesFrm::Picked() const
{
    QList<PickedOutcome> picked;
    for (int i = 0; i < lstPicked->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = lstPicked->topLevelItem(i);
        picked.append(PickedOutcome{{item->data(0, CodeRole).toString(), item->text(0)},
                       {item->data(1, CodeRole).toString(), item->text(1)}});
    }
    return picked;
}

bool TSampleClientOutcomesFrm::IsOutcomePicked(const OutcomeChoice &category, const OutcomeChoice &outcome) const
{
    // By codes: two rows of one description stay two choices.
    for (const PickedOutcome &p : Picked())
        if (p.category.code == category.code && p.outcome.code == outcome.code)
            return true;
    return false;
}

void TSampleClientOutcomesFrm::lstCategoriesClick()
{
    const OutcomeChoice category = selectedCategory();
    m_filling = true;
    lstOutcomes->clear();
    for (const OutcomeChoice &outcome : std::as_const(m_loaded.outcomes)) {
        auto *item = new QListWidgetItem(outcome.description, lstOutcomes);
        item->setData(OutcomeCodeRole, outcome.code);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(!category.code.isEmpty() && IsOutcomePicked(category, outcome) ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = false;
}

void TSampleClientOutcomesFrm::lstCategoriesDblClick()
{
    lstCategoriesClick();
    if (lstOutcomes->count() == 0)
        return;
    QListWidgetItem *first = lstOutcomes->item(0);
    lstOutcomes->setCurrentItem(first);
    first->setCheckState(Qt::Checked);
}

void TSampleClientOutcomesFrm::outcomeCheckChanged(QListWidgetItem *item)
{
    if (m_filling || !item)
        return;
    const OutcomeChoice category = selectedCategory();
    if (category.code.isEmpty())
        return;
    const OutcomeChoice outcome{item->data(OutcomeCodeRole).toString(), item->text()};
    const bool picked = IsOutcomePicked(category, outcome);
    if (item->checkState() == Qt::Checked && !picked) {
        addPicked({category, outcome});
    } else if (item->checkState() != Qt::Checked && picked) {
        for (int i = 0; i < lstPicked->topLevelItemCount(); ++i) {
            QTreeWidgetItem *p = lstPicked->topLevelItem(i);
            if (p->data(0, CodeRole).toString() == category.code && p->data(1, CodeRole).toString() == outcome.code) {
                delete lstPicked->takeTopLevelItem(i);
                break;
            }
        }
    }
}

bool TSampleClientOutcomesFrm::actSaveExecute()
{
    const std::shared_ptr<ClientOutcomesSession> session = m_session;
    const QString sample = m_sampleCode;
    const QString heading = m_headingCode;
    const QList<PickedOutcome> picked = Picked();
    QString unknown;
    try {
        unknown = waitInBackground([session, sample, heading, picked]() {
            session->Login();
            try {
                session->SaveOutcomes(sample, heading, picked);
            } catch (const OutcomesSaveUnknown &e) {
                return e.message();
            }
            return QString();
        });
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, u"The outcomes were not saved: %1"_s.arg(e.message()));
        return false;
    }
    if (!unknown.isEmpty()) {
        // The picked list stays, to be saved again or compared with what the dialog shows when
        // it is opened again.
        Prompter::current().error(Varnex::ProgramName, u"It is not known whether the outcomes were saved: %1"_s.arg(unknown));
        return false;
    }
    accept();
    return true;
}
