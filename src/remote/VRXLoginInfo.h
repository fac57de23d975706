#pragma once

#include <QByteArray>
#include <QCborValue>

// The complex type that the login service fills in; every field is a single-byte string.
class VRXLoginInfo
{
public:
    QByteArray UserId;
    QByteArray UserName;
    QByteArray RealName;
    QByteArray SessionId;

    static QStringList fieldNames(); // in published order

    // Written in published order; read by name, so either order is accepted.
    QCborValue write() const;
    // Throws ProtocolError with the text
    // Exception "<class>" with message "<message>" happens during reading field "<field>".
    // when a field cannot be read; the fields already read stay assigned.
    void read(const QCborValue &value);

    void assign(const VRXLoginInfo &other) { *this = other; }
};
