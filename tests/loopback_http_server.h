// A loopback HTTP server for the news tests, on a thread of its own: the fetch under test blocks
// its caller, so nothing on the test's thread could answer it. Each connection reads one request
// and answers as the script for its path says, from polite to hostile; the server notes every
// request and when the client closed each connection. It can speak TLS too, on the same port.
#ifndef VOLTARIK_TESTS_LOOPBACK_HTTP_SERVER_H_
#define VOLTARIK_TESTS_LOOPBACK_HTTP_SERVER_H_

#include <openssl/ssl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/test_certificates.h"

namespace voltarik::testing {

struct ScriptedReply {
  enum class Kind {
    AtOnce,     // `head` after `delay`, then the server closes
    HoldOpen,   // `head`, then the connection stays open until the client closes it
    Silent,     // nothing at all
    Drip,       // `head`, then `unit` every `interval`, for ever
    Flood,      // `head`, then `unit` as fast as the client takes it, for ever
    ResetAfter  // `head`, then a reset instead of a close
  };
  Kind kind = Kind::AtOnce;
  std::string head;
  std::string unit;
  std::chrono::milliseconds delay{0};
  std::chrono::milliseconds interval{50};
};

// A complete response with its Content-Length, closing the connection.
std::string Response(const std::string& status, const std::string& body,
                     const std::string& extra_headers = {});

ScriptedReply AtOnce(std::string bytes, std::chrono::milliseconds delay = {});
ScriptedReply HoldOpen(std::string bytes);
ScriptedReply Silent();
ScriptedReply Drip(std::string head, std::string unit, std::chrono::milliseconds interval);
ScriptedReply Flood(std::string head, std::string unit);
ScriptedReply ResetAfter(std::string bytes);

class LoopbackHttpServer {
 public:
  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // The reply for a request path, e.g. "/voltarik.txt"; unscripted paths get 404. Script before
  // the fetch starts.
  void Script(const std::string& path, ScriptedReply reply);
  // Sent on every connection as soon as it is accepted, in place of reading a request: what a
  // server that is no HTTP or TLS server at all does.
  void ScriptOnConnect(ScriptedReply reply);
  // From now on a connection that opens with a TLS handshake is served over TLS, as `identity`;
  // any other, on the same port, still plainly. `old_versions_only`: TLS 1.0 and 1.1, nothing
  // later.
  void ServeTls(const TlsIdentity& identity, bool old_versions_only = false);
  // "127.0.0.1:port".
  std::string Authority() const;
  std::vector<std::string> RequestedPaths() const;
  // Every request as received, up to the blank line.
  std::vector<std::string> RequestHeads() const;
  // Waits until `count` requests have come; false if fewer came within `limit`.
  bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit);
  // Waits until every accepted connection is over; false if one is still open after `limit`.
  bool WaitUntilConnectionsClosed(std::chrono::milliseconds limit);

 private:
  void Run();
  class Link;
  void Serve(int socket);
  // Waits for the connection's first byte; true when it opens a TLS handshake.
  bool StartsWithHandshake(int socket) const;
  // Sends everything, waiting while the client is slow; false once the client is gone.
  bool SendAll(Link& link, const std::string& bytes);
  // Waits up to `limit` for the client to close; true when it has.
  bool ClientClosed(Link& link, std::chrono::milliseconds limit);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable connection_ended_;
  std::condition_variable request_came_;
  std::map<std::string, ScriptedReply> replies_;
  std::optional<ScriptedReply> on_connect_;
  SSL_CTX* tls_ = nullptr;
  std::vector<std::string> request_heads_;
  int open_connections_ = 0;
  std::thread thread_;
};

}  // namespace voltarik::testing

#endif  // VOLTARIK_TESTS_LOOPBACK_HTTP_SERVER_H_
