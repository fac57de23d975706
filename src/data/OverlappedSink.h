#pragma once

#include <QByteArrayView>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Hands the bytes of a stream, in order, to a consumer that runs on a thread of its own, so that
// making the stream and consuming it overlap (the laboratory packet is encoded on the caller's
// thread and compressed on this one). The bytes travel in pieces of PieceSize; at most Pieces of
// them are in hand at once, and the maker waits for a free one, so the memory taken stays the
// same whatever the length of the stream.
//
// The consumer returns false to stop (one that throws stops too): from then on push() returns
// false without waiting and finish() returns false. A sink destroyed without finish() abandons the stream: the consumer
// gets no further piece, and the destructor waits for its thread, so a maker that throws leaves
// nothing running behind it.
class OverlappedSink
{
public:
    using Consumer = std::function<bool(QByteArrayView)>;
    static constexpr qsizetype PieceSize = 64 * 1024;
    static constexpr int Pieces = 16;

    // Starts the consumer's thread; throws std::system_error when no thread can be started.
    explicit OverlappedSink(Consumer consume);
    ~OverlappedSink();
    OverlappedSink(const OverlappedSink &) = delete;
    OverlappedSink &operator=(const OverlappedSink &) = delete;

    // Copies the bytes into pieces for the consumer, waiting while every piece is taken. False
    // once the consumer has stopped (the bytes are then dropped).
    bool push(QByteArrayView bytes);
    // Ends the stream: hands over the last piece and waits until the consumer has taken every
    // one. True when it took them all without stopping. Nothing can be pushed after it.
    bool finish();

private:
    struct Piece
    {
        std::unique_ptr<char[]> data = std::make_unique<char[]>(PieceSize);
        qsizetype size = 0;
    };

    void consumeAll();
    // Queues the piece being filled and takes a free one to fill next; false once stopped.
    bool handOver();
    // Ends the stream: the consumer takes what is queued, or nothing when abandoned.
    void close(bool abandon);

    Consumer m_consume;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Piece> m_free;  // pieces nobody is filling or consuming
    std::deque<Piece> m_ready;  // filled pieces, in stream order
    Piece m_filling;            // the piece the maker is filling (the maker's thread only)
    bool m_closed = false;      // no further piece will come
    bool m_abandoned = false;   // the pieces still queued are not to be consumed
    std::atomic<bool> m_stopped{false}; // the consumer returned false
    std::thread m_thread;
};
