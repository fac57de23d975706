#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A zip container, read and written in memory on zlib: stored and deflated entries, the central
// directory, CRC-32. Enough for a document package (a Word document, say); no zip64, no encryption,
// no spanning. (The program cannot link a zip library of its own: the spreadsheet writer already
// brings the minizip functions, and one process gets one copy of each.)
//
// Reading trusts nothing in the file: every offset and size is checked against the data, every
// entry's CRC-32 is verified, and the inflated sizes are bounded, so a damaged or hostile file
// gives an error, never a crash or an exhausted memory.
class ZipArchive
{
public:
    struct Entry
    {
        QString name;
        QByteArray data; // uncompressed
    };

    // Limits for reading: entries, one entry's inflated size, all entries' inflated size, and how
    // many times its compressed size an entry may inflate to once it is above RatioFloor bytes (a
    // document's XML compresses some tenfold; a thousandfold is a bomb).
    static constexpr int MaxEntries = 10000;
    static constexpr qint64 MaxEntryBytes = 128LL * 1024 * 1024;
    static constexpr qint64 MaxTotalBytes = 256LL * 1024 * 1024;
    static constexpr qint64 MaxRatio = 100;
    static constexpr qint64 RatioFloor = 1024 * 1024;

    // Reads every entry. Throws VarnexError saying what is wrong ("not a zip file", "damaged entry
    // word/document.xml"...). Entry names that the package could not hold as parts are refused:
    // a name given twice (letter case aside, as the package compares them), a name that starts
    // at the root ("/", "\\", "C:") or climbs out with "..", an empty name.
    static ZipArchive read(const QByteArray &zip);
    // The archive: each entry deflated (stored when that is not smaller), in order.
    QByteArray write() const;

    const QList<Entry> &entries() const { return m_entries; }
    // The entry's data; nullptr when there is none of that name.
    const QByteArray *find(const QString &name) const;
    // Replaces the data of the entry of that name, or adds it at the end.
    void set(const QString &name, const QByteArray &data);

private:
    QList<Entry> m_entries;
};
