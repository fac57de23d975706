#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// Small file helpers shared by the tests of the settings files and of the local store.

// The whole file, or "<missing>" when it cannot be read.
inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes the bytes as the whole file; fails the current test when it cannot.
inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}
