#include "sandbox/sandbox_server.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace monitor::sandbox {
namespace {

using SteadyClock = std::chrono::steady_clock;

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// "address:port" of one end of a socket; empty when fd is not a connected inet socket.
std::string EndpointName(int fd, bool peer) {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    auto* sa = reinterpret_cast<sockaddr*>(&addr);
    if ((peer ? getpeername(fd, sa, &len) : getsockname(fd, sa, &len)) != 0) return {};
    char host[INET6_ADDRSTRLEN] = {};
    int port = 0;
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
        port = ntohs(in->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
        port = ntohs(in6->sin6_port);
    } else {
        return {};
    }
    return std::string(host) + ":" + std::to_string(port);
}

int LocalPort(int fd) {
    const std::string name = EndpointName(fd, false);
    const std::size_t colon = name.rfind(':');
    return colon == std::string::npos ? -1 : std::atoi(name.c_str() + colon + 1);
}

// One accepted TCP connection. httplib does not hand out its sockets, so the socket is
// found by its addresses when the connection is queued (see ConnectionQueue).
struct Connection {
    int number = 0;
    int fd = -1;
    std::string peer;
    bool busy = false;  // between reading a request and finishing its answer
    bool shut = false;
    SteadyClock::time_point lastActive = SteadyClock::now();
};

thread_local std::shared_ptr<Connection> tlsConnection;

// httplib queues one task per accepted connection: the hook to count and track them.
class ConnectionQueue final : public httplib::TaskQueue {
  public:
    using Register = std::function<std::shared_ptr<Connection>()>;
    using Forget = std::function<void(const std::shared_ptr<Connection>&)>;

    ConnectionQueue(std::size_t threads, Register reg, Forget forget)
        : pool_(threads), register_(std::move(reg)), forget_(std::move(forget)) {}

    void enqueue(std::function<void()> fn) override {
        std::shared_ptr<Connection> connection = register_();
        pool_.enqueue([this, fn = std::move(fn), connection] {
            tlsConnection = connection;
            fn();
            tlsConnection.reset();
            forget_(connection);
        });
    }

    void shutdown() override { pool_.shutdown(); }

  private:
    httplib::ThreadPool pool_;
    Register register_;
    Forget forget_;
};

}  // namespace

std::string ReceivedRequest::HeaderValue(std::string_view name) const {
    for (const Header& h : headers) {
        if (EqualIgnoringCase(h.name, name)) return h.value;
    }
    return {};
}

bool ReceivedRequest::HasHeader(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(),
                       [&](const Header& h) { return EqualIgnoringCase(h.name, name); });
}

Reply Reply::Json(int status, std::string body) {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

Reply Reply::Text(int status, std::string body) {
    Reply r = Json(status, std::move(body));
    r.contentType = "text/plain; charset=utf-8";
    return r;
}

Reply Reply::Close(std::chrono::milliseconds delay) {
    Reply r;
    r.kind = Kind::CloseWithoutAnswer;
    r.delay = delay;
    return r;
}

Reply Reply::Endless(std::size_t chunkBytes, std::chrono::milliseconds interval) {
    Reply r;
    r.kind = Kind::NeverEnding;
    r.chunkBytes = std::max<std::size_t>(chunkBytes, 1);
    r.chunkInterval = interval;
    return r;
}

struct SandboxServer::Impl {
    explicit Impl(Options opts) : options(std::move(opts)), dropIdleAfter(options.dropIdleAfter) {}

    void Start();
    void StopAll() noexcept;
    std::shared_ptr<Connection> Register();
    void Forget(const std::shared_ptr<Connection>& connection);
    void MarkBusy(bool busy);
    void ShutIfSame(Connection& connection);
    void ReaperLoop();
    void Serve(const httplib::Request& req, httplib::Response& res);
    ReplyHandler Find(const ReceivedRequest& request) const;
    bool WaitForStop(std::chrono::milliseconds pause);
    void Send(const Reply& reply, httplib::Response& res);

    Options options;
    httplib::Server server;
    int port = 0;
    std::thread listenThread;
    std::thread reaper;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::atomic<bool> stopping{false};
    bool stopped = false;
    bool reaperExit = false;
    std::chrono::milliseconds dropIdleAfter;
    std::map<std::string, ReplyHandler, std::less<>> scripted;  // "METHOD target-or-path"
    ReplyHandler fallback;
    std::function<void(const ReceivedRequest&, const Reply&)> requestLog;
    std::vector<ReceivedRequest> requests;
    std::list<std::shared_ptr<Connection>> connections;
    std::atomic<int> accepted{0};
};

void SandboxServer::Impl::Start() {
    // SO_REUSEADDR only: httplib's default SO_REUSEPORT would let a second server share a port
    // that is already taken instead of refusing it.
    server.set_socket_options([](int sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_keep_alive_max_count(1000000);
    // An answer goes out in two writes (head, then body): with Nagle's algorithm the body waits
    // for the client's delayed acknowledgement, some 40 ms on every answer of a kept-alive
    // connection.
    server.set_tcp_nodelay(true);
    server.new_task_queue = [this] {
        return new ConnectionQueue(
            options.threads, [this] { return Register(); },
            [this](const std::shared_ptr<Connection>& c) { Forget(c); });
    };
    server.set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
        MarkBusy(true);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // httplib logs a request after its answer has been written.
    server.set_logger(
        [this](const httplib::Request&, const httplib::Response&) { MarkBusy(false); });
    const auto handler = [this](const httplib::Request& req, httplib::Response& res) {
        Serve(req, res);
    };
    server.Get(".*", handler);
    server.Post(".*", handler);
    server.Put(".*", handler);
    server.Patch(".*", handler);
    server.Delete(".*", handler);
    server.Options(".*", handler);

    if (options.port == 0) {
        port = server.bind_to_any_port(options.host);
    } else {
        port = server.bind_to_port(options.host, options.port) ? options.port : -1;
    }
    if (port <= 0) {
        throw SandboxError("cannot listen on " + options.host + ":" + std::to_string(options.port) +
                           ": the port is in use");
    }
    listenThread = std::thread([this] { server.listen_after_bind(); });
    reaper = std::thread([this] { ReaperLoop(); });
    // httplib's stop() does nothing before the loop runs.
    const auto deadline = SteadyClock::now() + std::chrono::seconds(10);
    while (!server.is_running() && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::shared_ptr<Connection> SandboxServer::Impl::Register() {
    auto connection = std::make_shared<Connection>();
    connection->number = ++accepted;
    std::lock_guard lock(mutex);
    std::set<std::string> known;
    for (const auto& c : connections) known.insert(c->peer);
    // The accepted socket is the one on our port whose peer no live connection has.
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (dirent* entry = readdir(dir)) {
            if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
            const int fd = std::atoi(entry->d_name);
            if (LocalPort(fd) != port) continue;
            std::string peer = EndpointName(fd, true);
            if (peer.empty() || known.contains(peer)) continue;
            connection->fd = fd;
            connection->peer = std::move(peer);
            break;
        }
        closedir(dir);
    }
    connections.push_back(connection);
    return connection;
}

void SandboxServer::Impl::Forget(const std::shared_ptr<Connection>& connection) {
    std::lock_guard lock(mutex);
    connections.remove(connection);
}

void SandboxServer::Impl::MarkBusy(bool busy) {
    if (!tlsConnection) return;
    std::lock_guard lock(mutex);
    tlsConnection->busy = busy;
    tlsConnection->lastActive = SteadyClock::now();
}

void SandboxServer::Impl::ShutIfSame(Connection& connection) {
    // The fd may have been closed and reused since; only the same two endpoints are ours.
    if (connection.fd >= 0 && LocalPort(connection.fd) == port &&
        EndpointName(connection.fd, true) == connection.peer) {
        ::shutdown(connection.fd, SHUT_RDWR);
    }
    connection.shut = true;
}

void SandboxServer::Impl::ReaperLoop() {
    std::unique_lock lock(mutex);
    while (!reaperExit) {
        const bool watching = stopping || dropIdleAfter.count() > 0;
        const auto tick = std::chrono::milliseconds(
            watching ? std::clamp<long>(static_cast<long>(dropIdleAfter.count()) / 10, 2, 10)
                     : 100);
        wake.wait_for(lock, tick);
        const auto now = SteadyClock::now();
        for (const auto& c : connections) {
            if (stopping) {
                ShutIfSame(*c);
            } else if (dropIdleAfter.count() > 0 && !c->busy && !c->shut &&
                       now - c->lastActive >= dropIdleAfter) {
                ShutIfSame(*c);
            }
        }
    }
}

ReplyHandler SandboxServer::Impl::Find(const ReceivedRequest& request) const {
    if (auto it = scripted.find(request.method + " " + request.target); it != scripted.end()) {
        return it->second;
    }
    if (auto it = scripted.find(request.method + " " + request.path); it != scripted.end()) {
        return it->second;
    }
    return fallback;
}

bool SandboxServer::Impl::WaitForStop(std::chrono::milliseconds pause) {
    std::unique_lock lock(mutex);
    return wake.wait_for(lock, pause, [this] { return stopping.load(); });
}

void SandboxServer::Impl::Serve(const httplib::Request& req, httplib::Response& res) {
    ReceivedRequest request;
    request.method = req.method;
    request.path = req.path;
    request.target = req.target;
    for (const auto& [name, value] : req.headers) request.headers.push_back({name, value});
    request.body = req.body;
    std::shared_ptr<Connection> connection = tlsConnection;
    request.connection = connection ? connection->number : 0;

    ReplyHandler handler;
    std::function<void(const ReceivedRequest&, const Reply&)> log;
    {
        std::lock_guard lock(mutex);
        requests.push_back(request);
        handler = Find(request);
        log = requestLog;
    }
    Reply reply;
    try {
        reply = handler ? handler(request)
                        : Reply::Text(404, "no reply for " + request.method + " " + request.target);
    } catch (const std::exception& e) {
        reply = Reply::Text(500, e.what());
    }
    if (log) log(request, reply);
    if (reply.delay.count() > 0 && WaitForStop(reply.delay)) return;

    if (reply.kind == Reply::Kind::CloseWithoutAnswer) {
        std::lock_guard lock(mutex);
        if (connection) ShutIfSame(*connection);
        return;
    }
    Send(reply, res);
}

void SandboxServer::Impl::Send(const Reply& reply, httplib::Response& res) {
    res.status = reply.status;
    for (const Header& h : reply.headers) res.set_header(h.name, h.value);
    if (reply.kind == Reply::Kind::NeverEnding) {
        res.set_chunked_content_provider(
            reply.contentType, [this, chunk = std::string(reply.chunkBytes, 'x'),
                                pause = reply.chunkInterval](std::size_t, httplib::DataSink& sink) {
                if (pause.count() > 0 ? WaitForStop(pause) : stopping.load()) return false;
                return sink.write(chunk.data(), chunk.size());
            });
    } else if (reply.generatedBytes > 0) {
        res.set_content_provider(reply.generatedBytes, reply.contentType,
                                 [this, chunk = std::string(64 * 1024, 'x')](
                                     std::size_t, std::size_t length, httplib::DataSink& sink) {
                                     if (stopping) return false;
                                     return sink.write(chunk.data(),
                                                       std::min(length, chunk.size()));
                                 });
    } else if (!reply.contentType.empty()) {
        res.set_content(reply.body, reply.contentType);
    } else {
        res.body = reply.body;
    }
}

void SandboxServer::Impl::StopAll() noexcept {
    {
        std::lock_guard lock(mutex);
        if (stopped) return;
        stopped = true;
        stopping = true;
    }
    wake.notify_all();
    server.stop();
    // Joining the listener joins the workers; the reaper shuts their connections meanwhile.
    if (listenThread.joinable()) listenThread.join();
    {
        std::lock_guard lock(mutex);
        reaperExit = true;
    }
    wake.notify_all();
    if (reaper.joinable()) reaper.join();
}

SandboxServer::SandboxServer() : SandboxServer(Options{}) {}

SandboxServer::SandboxServer(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {
    try {
        impl_->Start();
    } catch (...) {
        impl_->StopAll();
        throw;
    }
}

SandboxServer::~SandboxServer() {
    Stop();
}

int SandboxServer::Port() const noexcept {
    return impl_->port;
}

std::string SandboxServer::BaseUrl() const {
    return "http://" + impl_->options.host + ":" + std::to_string(impl_->port);
}

void SandboxServer::On(std::string method, std::string pathOrTarget, Reply reply) {
    On(std::move(method), std::move(pathOrTarget),
       ReplyHandler([reply = std::move(reply)](const ReceivedRequest&) { return reply; }));
}

void SandboxServer::On(std::string method, std::string pathOrTarget, ReplyHandler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->scripted[method + " " + pathOrTarget] = std::move(handler);
}

void SandboxServer::SetFallback(ReplyHandler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->fallback = std::move(handler);
}

void SandboxServer::SetRequestLog(std::function<void(const ReceivedRequest&, const Reply&)> log) {
    std::lock_guard lock(impl_->mutex);
    impl_->requestLog = std::move(log);
}

void SandboxServer::DropIdleConnectionsAfter(std::chrono::milliseconds idle) {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->dropIdleAfter = idle;
    }
    impl_->wake.notify_all();
}

std::vector<ReceivedRequest> SandboxServer::Requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests;
}

std::size_t SandboxServer::RequestCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests.size();
}

void SandboxServer::ClearRequests() {
    std::lock_guard lock(impl_->mutex);
    impl_->requests.clear();
}

int SandboxServer::AcceptedConnections() const noexcept {
    return impl_->accepted.load();
}

void SandboxServer::Stop() noexcept {
    impl_->StopAll();
}

}  // namespace monitor::sandbox
