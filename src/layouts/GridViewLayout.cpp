#include "layouts/GridViewLayout.h"

#include "base/VarnexError.h"

#include <QHash>
#include <QSet>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QList<std::pair<GridCondition::Op, QString>> &conditionNames()
{
    static const QList<std::pair<GridCondition::Op, QString>> names = {
        {GridCondition::Equal, QStringLiteral("equal")},
        {GridCondition::NotEqual, QStringLiteral("notEqual")},
        {GridCondition::Less, QStringLiteral("less")},
        {GridCondition::LessOrEqual, QStringLiteral("lessOrEqual")},
        {GridCondition::Greater, QStringLiteral("greater")},
        {GridCondition::GreaterOrEqual, QStringLiteral("greaterOrEqual")},
        {GridCondition::Contains, QStringLiteral("contains")},
        {GridCondition::StartsWith, QStringLiteral("startsWith")},
        {GridCondition::IsNull, QStringLiteral("isNull")},
        {GridCondition::IsNotNull, QStringLiteral("isNotNull")},
    };
    return names;
}

const QList<std::pair<GridLayoutSummary::Kind, QString>> &summaryNames()
{
    static const QList<std::pair<GridLayoutSummary::Kind, QString>> names = {
        {GridLayoutSummary::Count, QStringLiteral("count")}, {GridLayoutSummary::Sum, QStringLiteral("sum")},
        {GridLayoutSummary::Min, QStringLiteral("min")},     {GridLayoutSummary::Max, QStringLiteral("max")},
        {GridLayoutSummary::Average, QStringLiteral("average")},
    };
    return names;
}

template <typename E>
QString nameOf(const QList<std::pair<E, QString>> &names, E value)
{
    for (const auto &[v, name] : names)
        if (v == value)
            return name;
    return {};
}

[[noreturn]] void refuse(const QString &what)
{
    throw VarnexError(QStringLiteral("The stored grid layout cannot be read: %1.").arg(what));
}

template <typename E>
E valueOf(const QList<std::pair<E, QString>> &names, const QJsonValue &v, const char *what)
{
    for (const auto &[value, name] : names)
        if (v.toString() == name)
            return value;
    refuse(QStringLiteral("unknown %1 \"%2\"").arg(QLatin1String(what), v.toString()));
}

// A member that must be of one kind; absent members of arrays read as empty arrays.
QJsonArray arrayMember(const QJsonObject &o, const char *name)
{
    const QJsonValue v = o.value(QLatin1String(name));
    if (v.isUndefined())
        return {};
    if (!v.isArray())
        refuse(QStringLiteral("\"%1\" is not a list").arg(QLatin1String(name)));
    return v.toArray();
}

QJsonObject objectAt(const QJsonValue &v, const char *list)
{
    if (!v.isObject())
        refuse(QStringLiteral("an entry of \"%1\" is not an object").arg(QLatin1String(list)));
    return v.toObject();
}

QString fieldOf(const QJsonObject &o, const char *list)
{
    const QString field = o.value(QStringLiteral("field")).toString();
    if (field.trimmed().isEmpty())
        refuse(QStringLiteral("an entry of \"%1\" names no field").arg(QLatin1String(list)));
    return field;
}

bool sameCondition(const GridCondition &a, const GridCondition &b)
{
    return a.column == b.column && a.op == b.op && a.value == b.value;
}

} // namespace

QByteArray GridViewLayout::toBytes() const
{
    QJsonArray cols;
    for (const GridLayoutColumn &c : columns)
        cols.append(QJsonObject{{QStringLiteral("field"), c.field},
                                {QStringLiteral("visible"), c.visible},
                                {QStringLiteral("width"), c.width}});
    QJsonArray order;
    for (const GridSortKey &k : sort)
        order.append(QJsonObject{{QStringLiteral("field"), k.column},
                                 {QStringLiteral("descending"), k.order == Qt::DescendingOrder}});
    QJsonArray conditions;
    for (const GridCondition &c : filter)
        conditions.append(QJsonObject{{QStringLiteral("field"), c.column},
                                      {QStringLiteral("op"), nameOf(conditionNames(), c.op)},
                                      {QStringLiteral("value"), QJsonValue::fromVariant(c.value)}});
    QJsonArray sums;
    for (const GridLayoutSummary &s : summaries)
        sums.append(QJsonObject{{QStringLiteral("field"), s.field},
                                {QStringLiteral("kind"), nameOf(summaryNames(), s.kind)},
                                {QStringLiteral("caption"), s.caption}});
    const QJsonObject root{{QStringLiteral("format"), FormatName()},
                           {QStringLiteral("version"), FormatVersion},
                           {QStringLiteral("columns"), cols},
                           {QStringLiteral("sort"), order},
                           {QStringLiteral("groups"), QJsonArray::fromStringList(groups)},
                           {QStringLiteral("filter"), conditions},
                           {QStringLiteral("summaries"), sums}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

GridViewLayout GridViewLayout::fromBytes(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (!doc.isObject())
        refuse(error.error != QJsonParseError::NoError ? error.errorString() : QStringLiteral("it is not a layout"));
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != FormatName())
        refuse(QStringLiteral("it is not a layout of this program"));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toInt() < 1)
        refuse(QStringLiteral("it has no valid version"));
    if (version.toInt() > FormatVersion)
        refuse(QStringLiteral("it was stored by a later version of the program (layout version %1)").arg(version.toInt()));

    GridViewLayout layout;
    for (const QJsonValue &v : arrayMember(root, "columns")) {
        const QJsonObject o = objectAt(v, "columns");
        layout.columns.append({fieldOf(o, "columns"), o.value(QStringLiteral("visible")).toBool(true),
                               qMax(0, o.value(QStringLiteral("width")).toInt())});
    }
    for (const QJsonValue &v : arrayMember(root, "sort")) {
        const QJsonObject o = objectAt(v, "sort");
        layout.sort.append({fieldOf(o, "sort"), o.value(QStringLiteral("descending")).toBool() ? Qt::DescendingOrder
                                                                                             : Qt::AscendingOrder});
    }
    for (const QJsonValue &v : arrayMember(root, "groups")) {
        if (!v.isString() || v.toString().trimmed().isEmpty())
            refuse(QStringLiteral("an entry of \"groups\" names no field"));
        layout.groups.append(v.toString());
    }
    for (const QJsonValue &v : arrayMember(root, "filter")) {
        const QJsonObject o = objectAt(v, "filter");
        layout.filter.append({fieldOf(o, "filter"), valueOf(conditionNames(), o.value(QStringLiteral("op")), "condition"),
                              o.value(QStringLiteral("value")).toVariant()});
    }
    for (const QJsonValue &v : arrayMember(root, "summaries")) {
        const QJsonObject o = objectAt(v, "summaries");
        layout.summaries.append({fieldOf(o, "summaries"), valueOf(summaryNames(), o.value(QStringLiteral("kind")), "summary"),
                                 o.value(QStringLiteral("caption")).toString()});
    }
    return layout;
}

GridViewLayout GridViewLayout::fittedTo(const QStringList &viewFields) const
{
    QHash<QString, QString> spelling; // case-folded -> the view's name
    for (const QString &f : viewFields)
        spelling.insert(f.toCaseFolded(), f);
    const auto known = [&](const QString &field) { return spelling.value(field.toCaseFolded()); };

    GridViewLayout out;
    QSet<QString> placed;
    for (const GridLayoutColumn &c : columns) {
        const QString name = known(c.field);
        if (name.isEmpty() || placed.contains(name.toCaseFolded()))
            continue;
        placed.insert(name.toCaseFolded());
        out.columns.append({name, c.visible, c.width});
    }
    for (const QString &f : viewFields)
        if (!placed.contains(f.toCaseFolded()))
            out.columns.append({f, false, 0});
    for (const GridSortKey &k : sort)
        if (const QString name = known(k.column); !name.isEmpty())
            out.sort.append({name, k.order});
    for (const QString &g : groups)
        if (const QString name = known(g); !name.isEmpty() && !out.groups.contains(name))
            out.groups.append(name);
    for (const GridCondition &c : filter)
        if (const QString name = known(c.column); !name.isEmpty())
            out.filter.append({name, c.op, c.value});
    for (const GridLayoutSummary &s : summaries)
        if (const QString name = known(s.field); !name.isEmpty())
            out.summaries.append({name, s.kind, s.caption});
    return out;
}

bool operator==(const GridViewLayout &a, const GridViewLayout &b)
{
    if (a.columns != b.columns || a.groups != b.groups || a.summaries != b.summaries
        || a.sort.size() != b.sort.size() || a.filter.size() != b.filter.size())
        return false;
    for (qsizetype i = 0; i < a.sort.size(); ++i)
        if (a.sort.at(i).column != b.sort.at(i).column || a.sort.at(i).order != b.sort.at(i).order)
            return false;
    for (qsizetype i = 0; i < a.filter.size(); ++i)
        if (!sameCondition(a.filter.at(i), b.filter.at(i)))
            return false;
    return true;
}
