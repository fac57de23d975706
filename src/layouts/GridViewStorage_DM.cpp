#include "layouts/GridViewStorage_DM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "layouts/GridExcelExport.h"
#include "store/SqlUtil.h"


TGridViewStorageDm *GridViewStorageDm = nullptr;

namespace {

void requireComponentName(const QString &name, const char *what)
{
    if (name.isEmpty() || name.size() > TGridViewStorageDm::ComponentNameLength)
        throw VarnexError(QStringLiteral("Layouts cannot be kept for this grid: its %1 name \"%2\" is empty or longer "
                                         "than %3 characters.")
                              .arg(QLatin1String(what), name)
                              .arg(TGridViewStorageDm::ComponentNameLength));
}

} // namespace

TGridViewStorageDm::TGridViewStorageDm(std::function<QSqlDatabase()> connection, QObject *parent)
    : QObject(parent), m_connection(std::move(connection))
{
    setObjectName(QStringLiteral("GridViewStorageDm"));
}

TGridViewStorageDm::~TGridViewStorageDm()
{
    if (GridViewStorageDm == this)
        GridViewStorageDm = nullptr;
}

QString TGridViewStorageDm::MessageTitle()
{
    return Varnex::ProgramName;
}

void TGridViewStorageDm::guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(MessageTitle(), e.message());
    }
}

QList<std::pair<QString, QString>> TGridViewStorageDm::ViewParams(const IGridLayoutView &view)
{
    return {{QStringLiteral("APPLICATION_NAME"), TMaindm::AppName()},
            {QStringLiteral("FORM_NAME"), view.FormName()},
            {QStringLiteral("VIEW_NAME"), view.ViewName()}};
}

QString TGridViewStorageDm::StoredViewsSql()
{
    return QStringLiteral("SELECT ID, DESCRIPTION FROM SYS_GRID_VIEW "
                          "WHERE APPLICATION_NAME = :APPLICATION_NAME AND FORM_NAME = :FORM_NAME "
                          "AND VIEW_NAME = :VIEW_NAME AND FLAG_DELETED IS DISTINCT FROM 'T'");
}

void TGridViewStorageDm::StoreViewToDB(IGridLayoutView &AView)
{
    const std::optional<QString> name = Prompter::current().textInput(NameTitle(), NamePrompt(), QString());
    if (!name || name->trimmed().isEmpty()) {
        Prompter::current().information(MessageTitle(), NoNameMessage());
        return;
    }
    guarded([&]() { StoreLayout(AView, *name); });
}

void TGridViewStorageDm::StoreLayout(const IGridLayoutView &view, const QString &description)
{
    const QString name = description.trimmed();
    if (name.isEmpty())
        throw VarnexError(NoNameMessage());
    if (name.size() > DescriptionLength)
        throw VarnexError(NameTooLongMessage());
    requireComponentName(view.FormName(), "form");
    requireComponentName(view.ViewName(), "view");
    const QByteArray settings = view.CurrentLayout().toBytes();
    SqlUtil::exec(database(), QStringLiteral("EXECUTE PROCEDURE SYS_GRID_VIEW_IU (?, ?, ?, ?, ?)"),
                  {TMaindm::AppName(), view.FormName(), view.ViewName(), settings, name});
}

void TGridViewStorageDm::RestoreViewFromDB(IGridLayoutView &AView)
{
    guarded([&]() {
        if (!m_openChooser)
            throw VarnexError(QStringLiteral("Kept layouts cannot be chosen in this run of the program."));
        m_openChooser(*this, AView);
    });
}

void TGridViewStorageDm::ApplyStoredView(qint64 id, IGridLayoutView &view)
{
    QSqlQuery q = SqlUtil::exec(database(), QStringLiteral("SELECT VIEW_SETTINGS FROM SYS_GRID_VIEW WHERE ID = ?"), {id});
    if (!q.next())
        throw VarnexError(QStringLiteral("The layout is no longer kept."));
    const QByteArray settings = q.value(0).toByteArray();
    q.finish();
    if (settings.isEmpty())
        return;
    // Read whole before the view is touched, so that a damaged layout leaves it as it was.
    const GridViewLayout layout = GridViewLayout::fromBytes(settings).fittedTo(view.LayoutFields());
    view.ApplyLayout(layout);
}

void TGridViewStorageDm::DeleteStoredView(qint64 id)
{
    SqlUtil::exec(database(), QStringLiteral("UPDATE SYS_GRID_VIEW SET FLAG_DELETED = 'T' WHERE ID = ?"), {id});
}

void TGridViewStorageDm::ExpandGroups(IGridLayoutView &AView)
{
    guarded([&]() { AView.ExpandGroups(); });
}

void TGridViewStorageDm::CollapseGroups(IGridLayoutView &AView)
{
    guarded([&]() { AView.CollapseGroups(); });
}

void TGridViewStorageDm::SaveToExcel(IGridLayoutView &AView)
{
    guarded([&]() {
        if (!m_askFile)
            throw VarnexError(QStringLiteral("Grids cannot be saved to a file in this run of the program."));
        const QString fileName = m_askFile();
        if (fileName.isEmpty())
            return;
            const std::unique_ptr<IGridExportSource> source = AView.ExportSource();
        GridExcelExport::Save(fileName, *source);
    });
}
