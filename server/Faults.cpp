#include "Faults.h"

#include <QRegularExpression>

bool Faults::isValidTarget(const QString &target)
{
    static const QRegularExpression form(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\.[A-Za-z_][A-Za-z0-9_]*$"));
    return target.isEmpty() || form.match(target).hasMatch();
}

void Faults::setFailCall(const QString &target)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_failCall = target;
}

void Faults::setDropReply(const QString &target)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_dropReply = target;
}

bool Faults::takeFailCall(const QString &service, const QString &operation)
{
    std::lock_guard<std::mutex> guard(m_lock);
    return take(m_failCall, service, operation);
}

bool Faults::takeDropReply(const QString &service, const QString &operation)
{
    std::lock_guard<std::mutex> guard(m_lock);
    return take(m_dropReply, service, operation);
}

bool Faults::take(QString &target, const QString &service, const QString &operation)
{
    if (target.isEmpty() || target.compare(service + QLatin1Char('.') + operation, Qt::CaseInsensitive) != 0)
        return false;
    target.clear();
    return true;
}
