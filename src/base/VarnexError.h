#pragma once

#include <QString>
#include <stdexcept>

// A failure whose message is the text to show the user.
class VarnexError : public std::runtime_error
{
public:
    explicit VarnexError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};
