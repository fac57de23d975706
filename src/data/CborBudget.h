#pragma once

#include <QByteArray>

// What decoding a CBOR item costs in memory, estimated from its bytes before anything is built:
// every item is held as a CBOR value and once more when converted (a table cell, a parameter
// value), every array, map and tag has a container of its own, and the bytes of text and byte
// strings are held twice (text once more as UTF-16). The wire and the laboratory packet both
// refuse what would cost more than their size allows, so that a few bytes of many tiny items
// cannot fill memory.
namespace CborBudget {

inline constexpr qint64 ItemCost = 64;
inline constexpr qint64 ContainerCost = 128;
inline constexpr qint64 StringByteCost = 3;

// Walks the item without building it and returns the estimated cost, or a value above `limit` as
// soon as the count passes it. A malformed item ends the walk early: the parser reports it.
qint64 estimateDecodeCost(const QByteArray &data, qint64 limit);

} // namespace CborBudget
