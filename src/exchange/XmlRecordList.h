#pragma once

#include <QList>

// The records of a premises XML binding as a plain list: counted, read and written by index,
// added at the end or inserted at a position.
template<typename Record>
class XmlRecordList
{
public:
    int Count() const { return int(m_records.size()); }
    Record &operator[](int index) { return m_records[index]; }
    const Record &operator[](int index) const { return m_records.at(index); }
    // A new empty record at the end.
    Record &Add() { return m_records.emplace_back(); }
    // A new empty record at the index (0 .. Count()).
    Record &Insert(int index) { return *m_records.emplace(m_records.begin() + index); }

private:
    QList<Record> m_records;
};
