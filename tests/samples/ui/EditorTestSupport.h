#pragma once

// What the sample editor tests share: lookup lists to store, choosing in a list as a click does.
#include "data/DataTable.h"
#include "gui/ZQCXDBEditControls.h"

#include <QComboBox>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

namespace EditorTestSupport {

inline DataTable codeList(const QList<QPair<QString, QString>> &rows)
{
    DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}});
    for (const auto &r : rows)
        t.appendRow({r.first, r.second});
    return t;
}

// A code list with one more column, as the laboratories and the ministry codes have.
inline DataTable codeListWith(const QString &extra, const QList<QPair<QString, QString>> &rows)
{
    DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}, {extra, FieldType::String, 30}});
    for (const auto &r : rows)
        t.appendRow({r.first, r.second, QString()});
    return t;
}

inline DataTable names(const QStringList &rows)
{
    DataTable t({{"Name", FieldType::String, 100}});
    for (const QString &r : rows)
        t.appendRow({r});
    return t;
}

// Chooses the item that stores the value, as a click in the list does.
inline void choose(QComboBox *combo, const QString &value)
{
    const int index = combo->findData(value);
    QVERIFY2(index >= 0, qPrintable(value));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// Every value of the dataset's current row, in column order: what a test compares before and after.
inline QVariantList rowValues(const SqlDataSet &data)
{
    QVariantList values;
    for (const QString &field : data.fieldNames())
        values << data.value(field);
    return values;
}

// Tries every data-aware editor of a form, page by page, as an officer typing and clicking into
// it would: a few characters, the keys that change a choice, a paste, a click.
inline void tryEveryEditor(QTabWidget *pages)
{
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        const auto widgets = pages->widget(page)->findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            if (!dynamic_cast<TzqcxDBEditorBase *>(w) || !w->isVisible() || !w->isEnabled())
                continue;
            QList<QWidget *> targets = {w};
            if (auto *group = qobject_cast<TzqcxDBRadioGroup *>(w)) {
                targets.clear();
                for (int i = 0; group->Button(i); ++i)
                    targets << group->Button(i);
            }
            for (QWidget *target : std::as_const(targets)) {
                target->setFocus(Qt::OtherFocusReason);
                QTest::keyClicks(target, "7x");
                for (Qt::Key key : {Qt::Key_Space, Qt::Key_Down, Qt::Key_Delete, Qt::Key_F4})
                    QTest::keyClick(target, key);
                QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
                QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(8, target->height() / 2)); // a box's mark

            }
        }
    }
    pages->setCurrentIndex(0);
}

} // namespace EditorTestSupport
