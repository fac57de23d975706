#include "gui/QtPrompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {
QString captionOr(const QString &title)
{
    return title.isEmpty() ? QApplication::applicationDisplayName() : title;
}
} // namespace

void QtPrompter::message(Kind kind, const QString &title, const QString &text)
{
    switch (kind) {
    case Kind::Warning:
        QMessageBox::warning(m_parent, captionOr(title), text);
        break;
    case Kind::Error:
        QMessageBox::critical(m_parent, captionOr(title), text);
        break;
    default:
        QMessageBox::information(m_parent, captionOr(title), text);
        break;
    }
}

bool QtPrompter::question(const QString &title, const QString &text, bool defaultYes)
{
    return QMessageBox::question(m_parent, captionOr(title), text, QMessageBox::Yes | QMessageBox::No,
                                 defaultYes ? QMessageBox::Yes : QMessageBox::No)
        == QMessageBox::Yes;
}

bool QtPrompter::confirm(const QString &title, const QString &text)
{
    return QMessageBox::question(m_parent, captionOr(title), text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok)
        == QMessageBox::Ok;
}

std::optional<QString> QtPrompter::textInput(const QString &title, const QString &label, const QString &initialText,
                                             bool masked)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, captionOr(title), label,
                                               masked ? QLineEdit::Password : QLineEdit::Normal, initialText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
