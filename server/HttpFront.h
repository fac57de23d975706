#pragma once

#include <httplib.h>

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

// The server's own reading of its connections, in front of cpp-httplib's routing. One thread
// waits on every connection at once and collects each request whole, within its time limits and
// the body limit; only a request that has fully arrived goes to a worker, which lets httplib parse,
// route and answer it from memory. The answer goes back to that thread to be written out.
//
// Why not httplib's own loop (Debian's 0.11): it reads a request on a worker thread, bounding only
// the wait for each single read, so a client that sends its headers a byte every few seconds holds
// a worker for as long as it likes, and eight such clients stop the server answering anyone; it
// applies its body limit to a Content-Length only (a chunked body is read to its end, in memory),
// and it reads a body declared too large to its end before refusing it.
class HttpFront
{
public:
    // httplib's router, with the entry point that handles one request from a stream.
    class Routes : public httplib::Server
    {
    public:
        using httplib::Server::process_request;
    };

    struct Limits
    {
        qint64 maxBody = qint64(256) * 1024 * 1024;
        int headerTimeoutMs = 10000; // the request line and headers, from their first byte
        int bodyTimeoutMs = 30000;   // the body, from the end of the headers, plus a second per 32 KiB
        int idleTimeoutMs = 5000;    // a connection kept open, waiting for its next request
        int writeTimeoutMs = 30000;  // the answer, plus a second per 32 KiB
    };
    static constexpr int MaxConnections = 256;
    static constexpr int Workers = 8;
    // A decoded request takes several times its size in memory until its answer is made (see
    // Wire::decodeBudget): only this many requests with a body above LargeBody are worked on at
    // once, so that small calls always find a worker; one that has waited BusyAfterMs for its
    // turn is answered "busy" (HTTP 503).
    static constexpr int MaxLargeAtOnce = 2;
    static constexpr qint64 LargeBody = 1024 * 1024;
    static constexpr int BusyAfterMs = 30000;
    static constexpr qint64 BytesPerSecond = 32 * 1024;
    static constexpr int MaxHeadBytes = 64 * 1024;
    static constexpr int MaxRequestsPerConnection = 100;

    // The body of an answer the front gives itself (an error, status >= 400).
    using ErrorBody = std::function<QByteArray(int status, const QString &message)>;

    HttpFront(Routes &routes, const Limits &limits, ErrorBody errorBody);
    ~HttpFront();
    HttpFront(const HttpFront &) = delete;
    HttpFront &operator=(const HttpFront &) = delete;

    // The memory that bodies being received or waiting for a worker may take together; a request
    // that would go beyond it is answered "busy".
    qint64 bodyBudget() const;

    // Listens on host:port; false with *error when it cannot.
    bool listen(const std::string &host, int port, std::string *error);
    // Serves until stop(), then closes every connection that has not sent a whole request,
    // finishes the requests in hand, writes their answers and returns.
    void run();
    // From any thread, also before run() or after it ended.
    void stop();

private:
    enum class State { Idle, Head, Body, Busy, Writing, Lingering };
    struct Connection;
    struct Job
    {
        quint64 connection;
        std::shared_ptr<const std::string> head;
        std::shared_ptr<const std::string> body;
        std::string remoteIp;
        int remotePort = 0;
        bool large = false;
        bool lastRequest = false;
        std::chrono::steady_clock::time_point queued;
    };
    struct Done
    {
        quint64 connection;
        std::string answer;
        bool close = false;
    };

    void acceptConnections();
    void evictOne();
    void readFrom(Connection &c);
    void writeTo(Connection &c);
    // Moves a connection's request on with the bytes it has; false when it was closed.
    void advance(Connection &c);
    bool takeHead(Connection &c);
    bool takeChunks(Connection &c);
    void dispatch(Connection &c);
    void refuse(Connection &c, int status, const QString &message);
    void startWriting(Connection &c, std::string answer, bool close);
    void close(quint64 id);
    bool reserve(Connection &c, qint64 bytes);
    void checkDeadlines();
    void collectDone();
    void work();
    bool takeJob(Job *job);

    Routes &m_routes;
    Limits m_limits;
    ErrorBody m_errorBody;
    int m_listen = -1;
    int m_wake = -1; // an eventfd: stop() and finished jobs wake the loop
    std::atomic<bool> m_stopping{false};
    quint64 m_nextId = 1;
    std::unordered_map<quint64, std::unique_ptr<Connection>> m_connections;
    qint64 m_reserved = 0; // body bytes held by connections, against bodyBudget()

    std::mutex m_jobsLock;
    std::condition_variable m_jobsReady;
    std::deque<Job> m_jobs;
    int m_largeRunning = 0;
    bool m_workersEnd = false;
    std::vector<Done> m_done;
    std::vector<std::thread> m_workers;
};
