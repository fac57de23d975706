#include "reference/ui/OptionalLookupListMaint_FRM.h"

#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "reference/TextLines.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>

TOptionalLookupListMaintFrm::TOptionalLookupListMaintFrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Lookup lists"));
    resize(880, 520);

    lblHeading = new QLabel(RzPanel2);
    lblHeading->setObjectName(QStringLiteral("lblHeading"));
    QFont bold = lblHeading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    lblHeading->setFont(bold);
    RzPanel2->layout()->addWidget(lblHeading);

    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(0);
    tbTextLists = new QTabBar(ClientArea);
    tbTextLists->setObjectName(QStringLiteral("tbTextLists"));
    tbTextLists->setExpanding(false);
    tbTextLists->setUsesScrollButtons(true);
    layout->addWidget(tbTextLists);
    memList = new QPlainTextEdit(ClientArea);
    memList->setObjectName(QStringLiteral("memList"));
    memList->setLineWrapMode(QPlainTextEdit::NoWrap);
    memList->installEventFilter(this);
    layout->addWidget(memList, 1);

    actSortList = new QAction(QStringLiteral("Sort List"), this);
    actSortList->setObjectName(QStringLiteral("actSortList"));
    addAction(actSortList);
    actSaveChanges->setText(QStringLiteral("Save"));
    actCancelChanges->setText(QStringLiteral("Cancel"));
    AddButton(actSaveChanges);
    AddButton(actCancelChanges);
    AddButton(actSortList);

    connect(actSortList, &QAction::triggered, this, [this]() { actSortListExecute(); });
    connect(memList, &QPlainTextEdit::textChanged, this, [this]() {
        if (!m_loading)
            SetChanged(true);
    });
    connect(tbTextLists, &QTabBar::currentChanged, this, [this](int index) { tbTextListsChanging(index); });
    SetChanged(false);
}

void TOptionalLookupListMaintFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    lblHeading->setText(Heading());
    // Opened again from the menu while a list is being changed: the form comes forward as it is,
    // with the officer's text.
    if (m_changed)
        return;
    {
        const QSignalBlocker block(tbTextLists);
        while (tbTextLists->count() > 0)
            tbTextLists->removeTab(0);
        for (const auto &list : Lists())
            tbTextLists->addTab(list.Caption);
        tbTextLists->setCurrentIndex(0);
    }
    m_currentIndex = 0;
    LoadTab();
}

TOptionalLookupDataDM &TOptionalLookupListMaintFrm::module() const
{
    TOptionalLookupDataDM *module = m_module ? m_module : OptionalLookupDataDM;
    if (!module)
        throw VarnexError(QStringLiteral("The optional lookup lists are not available before login."));
    return *module;
}

void TOptionalLookupListMaintFrm::LoadTab()
{
    const int index = tbTextLists->currentIndex();
    if (index < 0 || index >= Lists().size())
        return;
    m_currentIndex = index;
    m_currentListName = Lists().at(index).LookupName;
    const QString text = TextLines::forEditor(module().GetLookupData(m_currentListName));
    m_loading = true;
    memList->setPlainText(text);
    m_loading = false;
    SetChanged(false);
}

void TOptionalLookupListMaintFrm::tbTextListsChanging(int newIndex)
{
    if (newIndex == m_currentIndex)
        return;
    if (m_changed && m_currentIndex >= 0) {
        // The changed list stays in front while the officer is asked about it; Cancel keeps it.
        {
            const QSignalBlocker block(tbTextLists);
            tbTextLists->setCurrentIndex(m_currentIndex);
        }
        const QString caption = Lists().at(m_currentIndex).Caption;
        const Prompter::Answer answer = Prompter::current().questionWithCancel(windowTitle(), ChangedQuestion(caption));
        // A list the store refused stays in front with the officer's text.
        if (answer == Prompter::Answer::Cancel || (answer == Prompter::Answer::Yes && !SaveCurrent()))
            return;
        const QSignalBlocker block(tbTextLists);
        tbTextLists->setCurrentIndex(newIndex);
    }
    try {
        LoadTab();
    } catch (const VarnexError &e) {
        Prompter::current().error(windowTitle(), e.message());
    }
}

bool TOptionalLookupListMaintFrm::SaveCurrent()
{
    try {
        module().SetLookupData(m_currentListName, memList->toPlainText());
    } catch (const VarnexError &e) {
        Prompter::current().error(windowTitle(), e.message());
        return false;
    }
    SetChanged(false);
    return true;
}

void TOptionalLookupListMaintFrm::actSaveChangesExecute()
{
    if (m_changed)
        SaveCurrent();
}

void TOptionalLookupListMaintFrm::actCancelChangesExecute()
{
    if (!m_changed)
        return;
    try {
        LoadTab();
    } catch (const VarnexError &e) {
        Prompter::current().error(windowTitle(), e.message());
    }
}

void TOptionalLookupListMaintFrm::actSortListExecute()
{
    QStringList lines = memList->toPlainText().split(QLatin1Char('\n'));
    std::stable_sort(lines.begin(), lines.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    memList->setPlainText(lines.join(QLatin1Char('\n')));
    // Marked even when the order did not change.
    SetChanged(true);
}

void TOptionalLookupListMaintFrm::SetChanged(bool changed)
{
    m_changed = changed;
    actSaveChanges->setEnabled(changed);
    actCancelChanges->setEnabled(changed);
}

bool TOptionalLookupListMaintFrm::FormCloseQuery()
{
    if (!TIBBaseAdvancedfrm::FormCloseQuery())
        return false;
    if (m_changed) {
        Prompter::current().error(windowTitle(), CloseRefusedMessage());
        return false;
    }
    return true;
}

bool TOptionalLookupListMaintFrm::eventFilter(QObject *watched, QEvent *event)
{
    // Typed letters go in as capitals.
    if (watched == memList && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        const QString upper = text.toUpper();
        if (!text.isEmpty() && upper != text && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            memList->insertPlainText(upper);
            return true;
        }
    }
    return TIBBaseAdvancedfrm::eventFilter(watched, event);
}

TOptionalLookupListAFMaintFrm::TOptionalLookupListAFMaintFrm(QObject *AOwner) : TOptionalLookupListMaintFrm(AOwner)
{
}
