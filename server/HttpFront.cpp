#include "HttpFront.h"

#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int LingerMs = 2000;       // reading and dropping what a refused client still sends
constexpr size_t ReadChunk = 64 * 1024;
constexpr size_t ReadPerTurn = 1024 * 1024; // then the other connections get their turn
constexpr size_t MaxChunkLine = 4096;

const char *reasonPhrase(int status)
{
    switch (status) {
    case 400: return "Bad Request";
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 431: return "Request Header Fields Too Large";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    default: return "Error";
    }
}

// A request from memory, its answer into memory: what httplib reads and writes for one request.
class BufferStream : public httplib::Stream
{
public:
    BufferStream(const std::string &head, const std::string &body, std::string &out, const std::string &ip, int port)
        : m_head(head), m_body(body), m_out(out), m_ip(ip), m_port(port)
    {
    }
    bool is_readable() const override { return m_at < m_head.size() + m_body.size(); }
    bool is_writable() const override { return true; }
    ssize_t read(char *ptr, size_t size) override
    {
        const std::string &from = m_at < m_head.size() ? m_head : m_body;
        const size_t at = m_at < m_head.size() ? m_at : m_at - m_head.size();
        const size_t n = std::min(size, from.size() - at);
        std::memcpy(ptr, from.data() + at, n);
        m_at += n;
        return ssize_t(n);
    }
    ssize_t write(const char *ptr, size_t size) override
    {
        m_out.append(ptr, size);
        return ssize_t(size);
    }
    void get_remote_ip_and_port(std::string &ip, int &port) const override
    {
        ip = m_ip;
        port = m_port;
    }
    void get_local_ip_and_port(std::string &ip, int &port) const override
    {
        ip.clear();
        port = 0;
    }
    socket_t socket() const override { return INVALID_SOCKET; }

private:
    const std::string &m_head;
    const std::string &m_body;
    std::string &m_out;
    std::string m_ip;
    int m_port;
    size_t m_at = 0;
};

bool equalsIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && qstrnicmp(a.data(), a.size(), b.data(), b.size()) == 0;
}

// A header's value without the blanks around it.
QByteArrayView headerValue(QByteArrayView line, qsizetype colon)
{
    return line.sliced(colon + 1).trimmed();
}

void setNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
}

} // namespace

struct HttpFront::Connection
{
    quint64 id = 0;
    int fd = -1;
    std::string remoteIp;
    int remotePort = 0;
    State state = State::Idle;
    Clock::time_point deadline;
    Clock::time_point bodyStart;
    std::string in;      // received, not yet taken
    std::string head;    // the request line and headers, as httplib will read them
    std::string body;    // the body as it arrives (chunks already joined)
    bool chunked = false;
    qint64 bodyLength = 0; // declared by Content-Length
    // The chunked body, between chunks: the data still due of the chunk in hand (-1: its size
    // line comes next; -2: the line end after its data; -3: the trailer lines after the last).
    qint64 chunkLeft = -1;
    qint64 reserved = 0;
    int requests = 0;
    std::string out;
    size_t sent = 0;
    bool closeAfterWrite = false;
    bool lingerAfterWrite = false;
};

HttpFront::HttpFront(Routes &routes, const Limits &limits, ErrorBody errorBody)
    : m_routes(routes), m_limits(limits), m_errorBody(std::move(errorBody))
{
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

HttpFront::~HttpFront()
{
    {
        std::lock_guard<std::mutex> lock(m_jobsLock);
        m_workersEnd = true;
    }
    m_jobsReady.notify_all();
    for (std::thread &t : m_workers)
        if (t.joinable())
            t.join();
    for (auto &[id, c] : m_connections)
        ::close(c->fd);
    if (m_listen >= 0)
        ::close(m_listen);
    if (m_wake >= 0)
        ::close(m_wake);
}

qint64 HttpFront::bodyBudget() const
{
    return std::max<qint64>(4 * m_limits.maxBody, qint64(64) * 1024 * 1024);
}

bool HttpFront::listen(const std::string &host, int port, std::string *error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        *error = gai_strerror(rc);
        return false;
    }
    for (addrinfo *a = found; a && m_listen < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 128) == 0) {
            setNonBlocking(fd);
            m_listen = fd;
        } else {
            *error = std::strerror(errno);
            ::close(fd);
        }
    }
    freeaddrinfo(found);
    return m_listen >= 0;
}

void HttpFront::stop()
{
    m_stopping = true;
    const quint64 one = 1;
    if (m_wake >= 0)
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
}

void HttpFront::run()
{
    for (int i = 0; i < Workers; ++i)
        m_workers.emplace_back([this] { work(); });
    bool listening = true;
    std::vector<pollfd> fds;
    std::vector<quint64> ids;
    for (;;) {
        if (m_stopping && listening) {
            // No new connections; those without a whole request are dropped, the others finish.
            ::close(m_listen);
            m_listen = -1;
            listening = false;
            std::vector<quint64> idle;
            for (const auto &[id, c] : m_connections)
                if (c->state == State::Idle || c->state == State::Head || c->state == State::Body || c->state == State::Lingering)
                    idle.push_back(id);
            for (quint64 id : idle)
                close(id);
        }
        if (!listening && m_connections.empty())
            break;

        fds.clear();
        ids.clear();
        fds.push_back({m_wake, POLLIN, 0});
        if (listening)
            fds.push_back({m_listen, POLLIN, 0});
        Clock::time_point next = Clock::now() + milliseconds(1000);
        for (const auto &[id, c] : m_connections) {
            short events = 0;
            switch (c->state) {
            case State::Idle:
            case State::Head:
            case State::Body:
            case State::Lingering: events = POLLIN; break;
            case State::Writing: events = POLLOUT; break;
            case State::Busy: break;
            }
            if (c->state != State::Busy)
                next = std::min(next, c->deadline);
            fds.push_back({c->fd, events, 0});
            ids.push_back(id);
        }
        const auto wait = std::chrono::duration_cast<milliseconds>(next - Clock::now()).count();
        if (::poll(fds.data(), nfds_t(fds.size()), int(std::clamp<qint64>(wait + 1, 0, 1000))) < 0 && errno != EINTR)
            break;

        if (fds[0].revents) {
            quint64 count;
            [[maybe_unused]] const ssize_t n = ::read(m_wake, &count, sizeof count);
        }
        collectDone();
        if (listening && (fds[1].revents & POLLIN))
            acceptConnections();
        const size_t first = listening ? 2 : 1;
        for (size_t i = 0; i < ids.size(); ++i) {
            const short revents = fds[first + i].revents;
            if (!revents)
                continue;
            auto it = m_connections.find(ids[i]);
            if (it == m_connections.end())
                continue;
            Connection &c = *it->second;
            if (c.state == State::Writing && (revents & (POLLOUT | POLLERR | POLLHUP)))
                writeTo(c);
            else if (c.state != State::Busy && c.state != State::Writing && (revents & (POLLIN | POLLERR | POLLHUP)))
                readFrom(c);
        }
        checkDeadlines();
    }

    {
        std::lock_guard<std::mutex> lock(m_jobsLock);
        m_workersEnd = true;
    }
    m_jobsReady.notify_all();
    for (std::thread &t : m_workers)
        t.join();
    m_workers.clear();
}

void HttpFront::acceptConnections()
{
    for (;;) {
        if (int(m_connections.size()) >= MaxConnections)
            evictOne();
        if (int(m_connections.size()) >= MaxConnections)
            return; // every connection is at work; the others wait in the listen queue
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        const int fd = ::accept4(m_listen, reinterpret_cast<sockaddr *>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        const int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        auto c = std::make_unique<Connection>();
        c->id = m_nextId++;
        c->fd = fd;
        char ip[INET6_ADDRSTRLEN] = {};
        if (address.ss_family == AF_INET) {
            const auto *a = reinterpret_cast<const sockaddr_in *>(&address);
            inet_ntop(AF_INET, &a->sin_addr, ip, sizeof ip);
            c->remotePort = ntohs(a->sin_port);
        } else if (address.ss_family == AF_INET6) {
            const auto *a = reinterpret_cast<const sockaddr_in6 *>(&address);
            inet_ntop(AF_INET6, &a->sin6_addr, ip, sizeof ip);
            c->remotePort = ntohs(a->sin6_port);
        }
        c->remoteIp = ip;
        // The first request is expected at once; its headers then have their own time.
        c->deadline = Clock::now() + milliseconds(m_limits.idleTimeoutMs);
        m_connections.emplace(c->id, std::move(c));
    }
}

// Makes room for a new connection: of those without a whole request, the one that would run out
// of time first, one that is still sending its body only when there is no other.
void HttpFront::evictOne()
{
    Connection *oldest = nullptr;
    const auto rank = [](State s) { return s == State::Body ? 1 : 0; };
    for (const auto &[id, c] : m_connections) {
        if (c->state != State::Idle && c->state != State::Head && c->state != State::Body && c->state != State::Lingering)
            continue;
        if (!oldest || rank(c->state) < rank(oldest->state)
            || (rank(c->state) == rank(oldest->state) && c->deadline < oldest->deadline))
            oldest = c.get();
    }
    if (oldest)
        close(oldest->id);
}

void HttpFront::readFrom(Connection &c)
{
    char buffer[ReadChunk];
    size_t taken = 0;
    while (taken < ReadPerTurn) {
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            close(c.id); // the client went away, or a refused one has finished sending
            return;
        }
        if (n < 0)
            break;
        taken += size_t(n);
        if (c.state == State::Lingering)
            continue;
        c.in.append(buffer, size_t(n));
        // Taken as they come, so that a body too large is refused at once.
        const quint64 id = c.id;
        advance(c);
        if (!m_connections.count(id) || c.state == State::Busy || c.state == State::Lingering || c.state == State::Writing)
            return;
    }
}

void HttpFront::advance(Connection &c)
{
    for (;;) {
        if (c.state == State::Idle) {
            // Blank lines before a request line are to be ignored (some clients end a body so).
            c.in.erase(0, std::min(c.in.find_first_not_of("\r\n"), c.in.size()));
            if (c.in.empty())
                return;
            c.state = State::Head;
            c.deadline = Clock::now() + milliseconds(m_limits.headerTimeoutMs);
        }
        if (c.state == State::Head) {
            if (!takeHead(c))
                return;
            continue;
        }
        if (c.state != State::Body)
            return;
        if (c.chunked) {
            if (!takeChunks(c))
                return;
        } else {
            const size_t want = size_t(c.bodyLength) - c.body.size();
            const size_t n = std::min(want, c.in.size());
            c.body.append(c.in, 0, n);
            c.in.erase(0, n);
            if (c.body.size() < size_t(c.bodyLength))
                return;
        }
        dispatch(c);
        return; // bytes after the request wait until its answer is written
    }
}

// Takes the request line and headers once they are all there; false while they are not, or when
// the request was refused.
bool HttpFront::takeHead(Connection &c)
{
    qsizetype end = -1, bodyAt = -1;
    for (qsizetype at = 0; (at = qsizetype(c.in.find('\n', size_t(at)))) >= 0; ++at) {
        if (at + 1 < qsizetype(c.in.size()) && c.in[size_t(at + 1)] == '\n') {
            end = at + 1;
            bodyAt = at + 2;
            break;
        }
        if (at + 2 < qsizetype(c.in.size()) && c.in[size_t(at + 1)] == '\r' && c.in[size_t(at + 2)] == '\n') {
            end = at + 1;
            bodyAt = at + 3;
            break;
        }
    }
    if (end < 0) {
        if (c.in.size() > size_t(MaxHeadBytes))
            refuse(c, 431, QStringLiteral("The request's headers are longer than %1 bytes").arg(MaxHeadBytes));
        return false;
    }
    if (end > MaxHeadBytes) {
        refuse(c, 431, QStringLiteral("The request's headers are longer than %1 bytes").arg(MaxHeadBytes));
        return false;
    }
    const QByteArrayView head(c.in.data(), end);
    QList<QByteArrayView> lines;
    for (qsizetype from = 0; from < head.size();) {
        qsizetype to = head.indexOf('\n', from);
        if (to < 0)
            to = head.size();
        QByteArrayView line = head.sliced(from, to - from);
        if (line.endsWith('\r'))
            line.chop(1);
        lines << line;
        from = to + 1;
    }
    // What httplib will read: the request line and the headers, with the body's framing replaced
    // by the length of the body as it is handed over.
    std::string rewritten(lines.first().data(), size_t(lines.first().size()));
    rewritten += "\r\n";
    bool hasLength = false, expectContinue = false;
    qint64 length = 0;
    QByteArrayView transferCoding;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayView line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || line.startsWith(' ') || line.startsWith('\t')) {
            refuse(c, 400, QStringLiteral("The request's header line %1 is malformed").arg(i + 1));
            return false;
        }
        const QByteArrayView name = line.first(colon).trimmed();
        const QByteArrayView value = headerValue(line, colon);
        if (equalsIgnoringCase(name, "Content-Length")) {
            bool ok = false;
            const qint64 n = value.toLongLong(&ok);
            if (!ok || n < 0 || (hasLength && n != length) || !std::all_of(value.begin(), value.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
                refuse(c, 400, QStringLiteral("The request's Content-Length is not a length"));
                return false;
            }
            hasLength = true;
            length = n;
            continue;
        }
        if (equalsIgnoringCase(name, "Transfer-Encoding")) {
            transferCoding = value;
            continue;
        }
        if (equalsIgnoringCase(name, "Expect")) {
            expectContinue = equalsIgnoringCase(value, "100-continue");
            continue;
        }
        // httplib would inflate the body itself, past any limit on the bytes that travelled.
        if (equalsIgnoringCase(name, "Content-Encoding") && !equalsIgnoringCase(value, "identity")) {
            refuse(c, 415, QStringLiteral("The server takes request bodies as they are, without a Content-Encoding"));
            return false;
        }
        rewritten.append(line.data(), size_t(line.size()));
        rewritten += "\r\n";
    }
    if (!transferCoding.isEmpty() && !equalsIgnoringCase(transferCoding, "chunked")) {
        refuse(c, 501, QStringLiteral("The server takes no Transfer-Encoding but chunked"));
        return false;
    }
    if (!transferCoding.isEmpty() && hasLength) {
        refuse(c, 400, QStringLiteral("The request gives both a Content-Length and a Transfer-Encoding"));
        return false;
    }
    if (length > m_limits.maxBody) {
        refuse(c, 413, QStringLiteral("The request body of %1 bytes is larger than the %2 bytes the server takes")
                           .arg(length)
                           .arg(m_limits.maxBody));
        return false;
    }
    c.chunked = !transferCoding.isEmpty();
    c.bodyLength = length;
    c.chunkLeft = -1;
    c.body.clear();
    if (!reserve(c, length))
        return false;
    c.head = std::move(rewritten);
    c.in.erase(0, size_t(bodyAt));
    c.state = State::Body;
    c.bodyStart = Clock::now();
    c.deadline = c.bodyStart + milliseconds(m_limits.bodyTimeoutMs) + milliseconds(1000 * length / BytesPerSecond);
    if (expectContinue && (c.chunked || length > 0) && c.in.empty()) {
        const char *go = "HTTP/1.1 100 Continue\r\n\r\n";
        [[maybe_unused]] const ssize_t n = ::send(c.fd, go, std::strlen(go), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    return true;
}

// Joins the chunks that have arrived; true once the last chunk and its trailer are in.
bool HttpFront::takeChunks(Connection &c)
{
    for (;;) {
        if (c.chunkLeft > 0) {
            const size_t n = std::min(size_t(c.chunkLeft), c.in.size());
            c.body.append(c.in, 0, n);
            c.in.erase(0, n);
            c.chunkLeft -= qint64(n);
            if (c.chunkLeft > 0)
                return false;
            c.chunkLeft = -2;
            continue;
        }
        const size_t eol = c.in.find('\n');
        if (eol == std::string::npos) {
            if (c.in.size() > MaxChunkLine)
                refuse(c, 400, QStringLiteral("A chunk of the request body is malformed"));
            return false;
        }
        QByteArrayView line(c.in.data(), qsizetype(eol));
        if (line.endsWith('\r'))
            line.chop(1);
        if (c.chunkLeft == -2) { // the line end after a chunk's data
            if (!line.isEmpty()) {
                refuse(c, 400, QStringLiteral("A chunk of the request body is malformed"));
                return false;
            }
            c.in.erase(0, eol + 1);
            c.chunkLeft = -1;
            continue;
        }
        if (c.chunkLeft == -3) { // trailer lines, up to an empty one
            c.in.erase(0, eol + 1);
            if (line.isEmpty())
                return true;
            continue;
        }
        const qsizetype semicolon = line.indexOf(';');
        const QByteArrayView digits = (semicolon >= 0 ? line.first(semicolon) : line).trimmed();
        bool ok = !digits.isEmpty() && digits.size() <= 15;
        const qint64 size = ok ? QByteArray(digits.data(), digits.size()).toLongLong(&ok, 16) : 0;
        if (!ok || size < 0) {
            refuse(c, 400, QStringLiteral("A chunk of the request body is malformed"));
            return false;
        }
        c.in.erase(0, eol + 1);
        if (size == 0) {
            c.chunkLeft = -3;
            continue;
        }
        const qint64 total = qint64(c.body.size()) + size;
        if (total > m_limits.maxBody) {
            refuse(c, 413, QStringLiteral("The request body is larger than the %1 bytes the server takes").arg(m_limits.maxBody));
            return false;
        }
        if (!reserve(c, total))
            return false;
        // A body of unknown length has as long as one of its length would have had.
        c.deadline = c.bodyStart + milliseconds(m_limits.bodyTimeoutMs) + milliseconds(1000 * total / BytesPerSecond);
        c.chunkLeft = size;
    }
}

// Holds `bytes` of body for the connection (in all, not in addition); false, the request refused
// as "busy", when the bodies in hand would then take more than the budget.
bool HttpFront::reserve(Connection &c, qint64 bytes)
{
    if (bytes <= c.reserved)
        return true;
    if (m_reserved + bytes - c.reserved > bodyBudget()) {
        refuse(c, 503, QStringLiteral("The server is busy; try again later"));
        return false;
    }
    m_reserved += bytes - c.reserved;
    c.reserved = bytes;
    return true;
}

void HttpFront::dispatch(Connection &c)
{
    Job job;
    job.connection = c.id;
    auto body = std::make_shared<std::string>();
    body->swap(c.body);
    const std::string length = "Content-Length: " + std::to_string(body->size()) + "\r\n\r\n";
    job.head = std::make_shared<const std::string>(c.head + length);
    job.body = std::move(body);
    job.remoteIp = c.remoteIp;
    job.remotePort = c.remotePort;
    job.large = qint64(job.body->size()) > LargeBody;
    job.lastRequest = ++c.requests >= MaxRequestsPerConnection || m_stopping;
    job.queued = Clock::now();
    c.state = State::Busy;
    {
        std::lock_guard<std::mutex> lock(m_jobsLock);
        m_jobs.push_back(std::move(job));
    }
    m_jobsReady.notify_all();
}

void HttpFront::refuse(Connection &c, int status, const QString &message)
{
    const QByteArray body = m_errorBody(status, message);
    std::string answer = "HTTP/1.1 " + std::to_string(status) + ' ' + reasonPhrase(status) + "\r\n"
                         "Content-Type: application/cbor\r\nContent-Length: " + std::to_string(body.size())
                         + "\r\nConnection: close\r\n\r\n";
    answer.append(body.constData(), size_t(body.size()));
    c.in.clear();
    c.body.clear();
    m_reserved -= c.reserved;
    c.reserved = 0;
    c.lingerAfterWrite = true;
    startWriting(c, std::move(answer), true);
}

void HttpFront::startWriting(Connection &c, std::string answer, bool close)
{
    c.out = std::move(answer);
    c.sent = 0;
    c.closeAfterWrite = close;
    c.state = State::Writing;
    c.deadline = Clock::now() + milliseconds(m_limits.writeTimeoutMs) + milliseconds(1000 * qint64(c.out.size()) / BytesPerSecond);
    writeTo(c);
}

void HttpFront::writeTo(Connection &c)
{
    while (c.sent < c.out.size()) {
        const ssize_t n = ::send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        if (n <= 0) {
            close(c.id);
            return;
        }
        c.sent += size_t(n);
    }
    std::string().swap(c.out);
    if (c.closeAfterWrite || m_stopping) {
        if (!c.lingerAfterWrite) {
            close(c.id);
            return;
        }
        // What the client still sends is read and dropped for a moment, so that the answer is
        // not lost to a reset of the connection.
        ::shutdown(c.fd, SHUT_WR);
        c.state = State::Lingering;
        c.deadline = Clock::now() + milliseconds(LingerMs);
        return;
    }
    c.state = State::Idle;
    c.deadline = Clock::now() + milliseconds(m_limits.idleTimeoutMs);
    advance(c); // a request that came right behind the last one
}

void HttpFront::close(quint64 id)
{
    auto it = m_connections.find(id);
    if (it == m_connections.end())
        return;
    m_reserved -= it->second->reserved;
    ::close(it->second->fd);
    m_connections.erase(it);
}

void HttpFront::checkDeadlines()
{
    const Clock::time_point now = Clock::now();
    std::vector<quint64> late;
    for (const auto &[id, c] : m_connections)
        if (c->state != State::Busy && c->deadline <= now)
            late.push_back(id);
    for (quint64 id : late) {
        Connection &c = *m_connections.at(id);
        if (c.state == State::Head || c.state == State::Body)
            refuse(c, 408, QStringLiteral("The request did not arrive in time"));
        else
            close(id);
    }
    // A large request that has waited too long for its turn gets "busy" instead.
    std::vector<quint64> busy;
    {
        std::lock_guard<std::mutex> lock(m_jobsLock);
        for (auto it = m_jobs.begin(); it != m_jobs.end();) {
            if (it->large && now - it->queued >= milliseconds(BusyAfterMs)) {
                busy.push_back(it->connection);
                it = m_jobs.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (quint64 id : busy)
        if (auto it = m_connections.find(id); it != m_connections.end())
            refuse(*it->second, 503, QStringLiteral("The server is busy; try again later"));
}

void HttpFront::collectDone()
{
    std::vector<Done> done;
    {
        std::lock_guard<std::mutex> lock(m_jobsLock);
        done.swap(m_done);
    }
    for (Done &d : done) {
        auto it = m_connections.find(d.connection);
        if (it == m_connections.end())
            continue;
        Connection &c = *it->second;
        m_reserved -= c.reserved;
        c.reserved = 0;
        startWriting(c, std::move(d.answer), d.close);
    }
}

bool HttpFront::takeJob(Job *job)
{
    std::unique_lock<std::mutex> lock(m_jobsLock);
    for (;;) {
        for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it) {
            if (it->large && m_largeRunning >= MaxLargeAtOnce)
                continue;
            *job = std::move(*it);
            m_jobs.erase(it);
            if (job->large)
                ++m_largeRunning;
            return true;
        }
        if (m_workersEnd && m_jobs.empty())
            return false;
        m_jobsReady.wait(lock);
    }
}

void HttpFront::work()
{
    Job job;
    while (takeJob(&job)) {
        std::string answer;
        bool clientCloses = false;
        const bool last = job.lastRequest || m_stopping;
        BufferStream stream(*job.head, *job.body, answer, job.remoteIp, job.remotePort);
        const bool ok = m_routes.process_request(stream, last, clientCloses, nullptr);
        job.head.reset();
        job.body.reset();
        {
            std::lock_guard<std::mutex> lock(m_jobsLock);
            if (job.large)
                --m_largeRunning;
            m_done.push_back({job.connection, std::move(answer), !ok || clientCloses || last});
        }
        m_jobsReady.notify_all(); // a large request may now have its turn
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    }
}
