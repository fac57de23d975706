#include "gui/QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
QString captionOr(const QString &title)
{
    return title.isEmpty() ? QApplication::applicationDisplayName() : title;
}

bool keptOnTop(const QWidget *w)
{
    const Qt::WindowType type = w->windowType();
    return w->isVisible() && !w->isMinimized() && (w->windowFlags() & Qt::WindowStaysOnTopHint)
        && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool);
}
} // namespace

QWidget *QtPrompter::windowInFront() const
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    QWidget *active = QApplication::activeWindow();
    if (active && keptOnTop(active))
        return active;
    // A window that stays on top would cover a box that belongs to any other.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (keptOnTop(w))
            return w;
    }
    return active ? active : m_parent;
}

void QtPrompter::message(Kind kind, const QString &title, const QString &text)
{
    switch (kind) {
    case Kind::Warning:
        QMessageBox::warning(windowInFront(), captionOr(title), text);
        break;
    case Kind::Error:
        QMessageBox::critical(windowInFront(), captionOr(title), text);
        break;
    default:
        QMessageBox::information(windowInFront(), captionOr(title), text);
        break;
    }
}

bool QtPrompter::question(const QString &title, const QString &text, bool defaultYes)
{
    return QMessageBox::question(windowInFront(), captionOr(title), text, QMessageBox::Yes | QMessageBox::No,
                                 defaultYes ? QMessageBox::Yes : QMessageBox::No)
        == QMessageBox::Yes;
}

bool QtPrompter::confirm(const QString &title, const QString &text)
{
    return QMessageBox::question(windowInFront(), captionOr(title), text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok)
        == QMessageBox::Ok;
}

Prompter::Answer QtPrompter::questionWithCancel(const QString &title, const QString &text)
{
    switch (QMessageBox::question(m_parent, captionOr(title), text,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<QString> QtPrompter::textInput(const QString &title, const QString &label, const QString &initialText,
                                             bool masked)
{
    bool ok = false;
    const QString text = QInputDialog::getText(windowInFront(), captionOr(title), label,
                                               masked ? QLineEdit::Password : QLineEdit::Normal, initialText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> QtPrompter::saveFileName(const QString &title, const QString &suggestedName, const QString &filter,
                                                const QString &defaultSuffix)
{
    QFileDialog dialog(windowInFront(), captionOr(title), suggestedName, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    // The arrow while the user chooses, also when the dialog comes in the middle of busy work.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    QApplication::restoreOverrideCursor();
    if (!chosen)
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtPrompter::openFileName(const QString &title, const QString &startFolder, const QString &filter)
{
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const QString chosen = QFileDialog::getOpenFileName(windowInFront(), captionOr(title), startFolder, filter);
    QApplication::restoreOverrideCursor();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}
