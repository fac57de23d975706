#include "data/OverlappedSink.h"

#include <algorithm>
#include <cstring>

OverlappedSink::OverlappedSink(Consumer consume) : m_consume(std::move(consume))
{
    m_free.resize(Pieces - 1); // the last one is m_filling
    m_thread = std::thread([this] { consumeAll(); });
}

OverlappedSink::~OverlappedSink()
{
    close(true);
}

bool OverlappedSink::push(QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        if (m_closed || m_stopped || (m_filling.size == PieceSize && !handOver()))
            return false;
        const qsizetype take = std::min(PieceSize - m_filling.size, bytes.size() - done);
        std::memcpy(m_filling.data.get() + m_filling.size, bytes.data() + done, size_t(take));
        m_filling.size += take;
        done += take;
    }
    return !m_stopped;
}

bool OverlappedSink::handOver()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_stopped)
        return false;
    m_ready.push_back(std::move(m_filling));
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_free.empty() || m_stopped; });
    if (m_stopped)
        return false;
    m_filling = std::move(m_free.back());
    m_free.pop_back();
    return true;
}

bool OverlappedSink::finish()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_stopped && m_filling.data && m_filling.size > 0)
            m_ready.push_back(std::move(m_filling));
    }
    close(false);
    return !m_stopped;
}

void OverlappedSink::close(bool abandon)
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_abandoned = abandon;
    }
    m_changed.notify_all();
    m_thread.join();
}

void OverlappedSink::consumeAll()
{
    for (;;) {
        Piece piece;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_ready.empty() || m_closed; });
            if (m_abandoned || m_ready.empty())
                return;
            piece = std::move(m_ready.front());
            m_ready.pop_front();
        }
        bool taken = false;
        try {
            taken = m_consume(QByteArrayView(piece.data.get(), piece.size));
        } catch (...) {
            taken = false;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            piece.size = 0;
            m_free.push_back(std::move(piece));
            if (!taken)
                m_stopped = true;
        }
        m_changed.notify_all();
        if (!taken)
            return;
    }
}
