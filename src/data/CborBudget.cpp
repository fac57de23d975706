#include "data/CborBudget.h"

#include <QCborStreamReader>

namespace CborBudget {

namespace {

// Deeper nesting is refused by the parser itself.
constexpr int MaxScanDepth = 1024;

} // namespace

qint64 estimateDecodeCost(const QByteArray &data, qint64 limit)
{
    QCborStreamReader reader(data);
    int depth = 0;
    qint64 cost = 0;
    bool started = false;
    while (cost <= limit && reader.lastError() == QCborError::NoError) {
        if (depth == 0 && started)
            break;
        if (depth > 0 && !reader.hasNext()) {
            if (!reader.leaveContainer())
                break;
            --depth;
            continue;
        }
        started = true;
        if (reader.isTag()) {
            cost += ContainerCost;
            reader.next(); // on to the tagged item
            continue;
        }
        cost += ItemCost;
        if (reader.isArray() || reader.isMap()) {
            cost += ContainerCost;
            if (depth >= MaxScanDepth || !reader.enterContainer())
                break;
            ++depth;
            continue;
        }
        const bool isString = reader.isString() || reader.isByteArray();
        const qint64 start = reader.currentOffset();
        reader.next();
        if (isString)
            cost += (reader.currentOffset() - start) * StringByteCost;
    }
    return cost;
}

} // namespace CborBudget
