// The hand-over of a byte stream to a consumer on a thread of its own: every byte arrives once and
// in order, a consumer that stops (or throws) stops the maker, and an abandoned stream ends
// without a hang and without its unfinished piece.
#include "data/OverlappedSink.h"

#include <QByteArray>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <atomic>
#include <stdexcept>

namespace {

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + seed) & 0xFF);
    return bytes;
}

} // namespace

class TestOverlappedSink : public QObject
{
    Q_OBJECT

private slots:
    void everyByteOnceInOrder();
    void consumerThatStopsStopsTheMaker_data();
    void consumerThatStopsStopsTheMaker();
    void abandonedStreamEndsWithoutItsLastPiece();
};

void TestOverlappedSink::everyByteOnceInOrder()
{
    // Pushes of every awkward size, more of them than there are pieces, and a consumer slower than
    // the maker now and then, so that the maker waits for free pieces.
    constexpr qsizetype P = OverlappedSink::PieceSize;
    const QList<qsizetype> sizes{0, 1, P - 1, P, P + 1, 3 * P + 7, 5, 0, 2 * P, 1024 * 1024 + 3, 17};
    QByteArray expected, received;
    qsizetype largest = 0;
    int calls = 0;
    OverlappedSink sink([&](QByteArrayView piece) {
        received.append(piece);
        largest = std::max(largest, piece.size());
        if (++calls % 5 == 0)
            QThread::msleep(2);
        return true;
    });
    int seed = 0;
    for (const qsizetype size : sizes) {
        const QByteArray bytes = pattern(size, ++seed);
        expected.append(bytes);
        QVERIFY(sink.push(bytes));
    }
    QVERIFY(sink.finish());
    QCOMPARE(received.size(), expected.size());
    QVERIFY(received == expected);
    QVERIFY(largest <= P);
    QVERIFY(!sink.push("after the end"));
}

void TestOverlappedSink::consumerThatStopsStopsTheMaker_data()
{
    QTest::addColumn<bool>("throws");
    QTest::newRow("returns false") << false;
    QTest::newRow("throws") << true;
}

void TestOverlappedSink::consumerThatStopsStopsTheMaker()
{
    QFETCH(bool, throws);
    std::atomic<int> calls{0};
    OverlappedSink sink([&](QByteArrayView) {
        if (++calls < 3)
            return true;
        if (throws)
            throw std::runtime_error("disk full");
        return false;
    });
    const QByteArray piece = pattern(OverlappedSink::PieceSize, 1);
    // The maker learns of the stop at its next hand-over at the latest; it never waits for ever.
    bool refused = false;
    for (int i = 0; i < 50 && !refused; ++i)
        refused = !sink.push(piece);
    QVERIFY(refused);
    QVERIFY(!sink.push(piece));
    QVERIFY(!sink.finish());
    QCOMPARE(calls.load(), 3);
}

void TestOverlappedSink::abandonedStreamEndsWithoutItsLastPiece()
{
    // The maker fails (throws, say) after three and a half pieces, while the consumer is still on
    // the first: the sink goes out of scope without finish().
    QSemaphore firstTaken, goOn;
    std::atomic<int> calls{0};
    std::atomic<qsizetype> shortest{OverlappedSink::PieceSize};
    {
        OverlappedSink sink([&](QByteArrayView piece) {
            shortest = std::min(shortest.load(), piece.size());
            if (++calls == 1) {
                firstTaken.release();
                goOn.acquire();
            }
            return true;
        });
        QVERIFY(sink.push(pattern(OverlappedSink::PieceSize * 7 / 2, 2)));
        QVERIFY(firstTaken.tryAcquire(1, 10000));
        goOn.release();
    }
    QVERIFY(calls.load() <= 3);
    QCOMPARE(shortest.load(), OverlappedSink::PieceSize); // the half piece never went
}

QTEST_GUILESS_MAIN(TestOverlappedSink)
#include "tst_overlappedsink.moc"
