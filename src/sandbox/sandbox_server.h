#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace monitor::sandbox {

class SandboxError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Header {
    std::string name;
    std::string value;
};

/** One request as the server received it. */
struct ReceivedRequest {
    std::string method;
    std::string path;    // percent-decoded, without the query
    std::string target;  // as on the request line: path and query, still encoded
    std::vector<Header> headers;
    std::string body;    // raw bytes
    int connection = 0;  // which accepted TCP connection (1, 2, ...) carried it

    /** The first header of that name (any case); empty when there is none. */
    std::string HeaderValue(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
};

/** What the server does with a request. */
struct Reply {
    enum class Kind {
        Answer,              // status, headers and body
        CloseWithoutAnswer,  // the connection is shut after the delay, nothing is sent
        NeverEnding,         // a chunked body that goes on until the client gives up
    };

    Kind kind = Kind::Answer;
    int status = 200;
    std::string contentType = "application/json";  // empty: no Content-Type header
    std::string body;
    std::vector<Header> headers;
    std::chrono::milliseconds delay{0};  // before anything is sent
    /** When > 0 the body is that many bytes of filler, produced while it is sent and announced
     *  by its Content-Length. */
    std::uint64_t generatedBytes = 0;
    /** NeverEnding: size of each chunk and the pause between two chunks. */
    std::size_t chunkBytes = 64 * 1024;
    std::chrono::milliseconds chunkInterval{0};

    static Reply Json(int status, std::string body);
    static Reply Text(int status, std::string body);
    static Reply Close(std::chrono::milliseconds delay = {});
    static Reply Endless(std::size_t chunkBytes, std::chrono::milliseconds interval = {});
};

using ReplyHandler = std::function<Reply(const ReceivedRequest&)>;

/** A real HTTP/1.1 server on loopback (cpp-httplib) that stands in for the Scanntech service:
 *  tests script its answers per method and path and read back what it received; the
 *  sandbox program puts the demo service behind it.
 *
 *  Lookup of a request: a reply scripted for the method and the exact target (path with
 *  query) wins, then one for the method and the path, then the fallback handler, then a
 *  404 text answer. Connections are kept alive without a limit on the number of requests. */
class SandboxServer {
  public:
    struct Options {
        std::string host = "127.0.0.1";
        int port = 0;  // 0: any free port
        std::size_t threads = 32;
        /** Shut a kept-alive connection that has been idle this long; 0: httplib's 5 s. */
        std::chrono::milliseconds dropIdleAfter{0};
    };

    /** Binds and starts serving; throws SandboxError when the port cannot be bound (in use). */
    SandboxServer();
    explicit SandboxServer(Options options);
    ~SandboxServer();
    SandboxServer(const SandboxServer&) = delete;
    SandboxServer& operator=(const SandboxServer&) = delete;

    int Port() const noexcept;
    /** "http://127.0.0.1:<port>" */
    std::string BaseUrl() const;

    void On(std::string method, std::string pathOrTarget, Reply reply);
    void On(std::string method, std::string pathOrTarget, ReplyHandler handler);
    void SetFallback(ReplyHandler handler);
    /** Called after each request has been answered (or closed), with the reply it got. */
    void SetRequestLog(std::function<void(const ReceivedRequest&, const Reply&)> log);
    void DropIdleConnectionsAfter(std::chrono::milliseconds idle);

    std::vector<ReceivedRequest> Requests() const;
    std::size_t RequestCount() const;
    void ClearRequests();
    /** TCP connections accepted since the start. */
    int AcceptedConnections() const noexcept;

    /** Stops accepting, shuts every open connection and waits for the workers; idempotent. */
    void Stop() noexcept;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace monitor::sandbox
