#include "tests/loopback_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace voltarik::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often a waiting server thread looks at the stop flag.
constexpr milliseconds kSlice{20};

bool WaitFor(int socket, short events, milliseconds limit) {
  pollfd entry{socket, events, 0};
  return poll(&entry, 1, static_cast<int>(limit.count())) > 0;
}

// The first byte of every TLS connection: a handshake record.
constexpr unsigned char kHandshakeRecord = 0x16;

}  // namespace

// One accepted connection, plain or over TLS: the scripts talk through it alike.
class LoopbackHttpServer::Link {
 public:
  explicit Link(int socket) : socket_(socket) {}
  ~Link() {
    SSL_free(ssl_);
    close(socket_);
  }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  int socket() const { return socket_; }

  // Shakes hands as a TLS server; false when the handshake fails or the server stops first.
  bool StartTls(SSL_CTX* context, const std::atomic<bool>& stopping) {
    ssl_ = SSL_new(context);
    if (ssl_ == nullptr || fcntl(socket_, F_SETFL, O_NONBLOCK) != 0 ||
        SSL_set_fd(ssl_, socket_) != 1) {
      return false;
    }
    SSL_set_mode(ssl_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    while (!stopping) {
      const int result = SSL_accept(ssl_);
      if (result == 1) return true;
      const int error = SSL_get_error(ssl_, result);
      if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) break;
      WaitFor(socket_, error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, kSlice);
    }
    ERR_clear_error();
    return false;
  }

  // Waits up to `limit` for bytes: how many came, 0 when none did yet, -1 once the client is gone.
  ssize_t Receive(char* buffer, std::size_t size, milliseconds limit) {
    if ((ssl_ == nullptr || SSL_pending(ssl_) == 0) && !WaitFor(socket_, POLLIN, limit)) return 0;
    if (ssl_ == nullptr) {
      const ssize_t got = recv(socket_, buffer, size, MSG_DONTWAIT);
      return got > 0 ? got : got < 0 && errno == EAGAIN ? 0 : -1;
    }
    return Settled(SSL_read(ssl_, buffer, static_cast<int>(size)));
  }

  // Sends what the client takes within `limit`: how many bytes, or -1 once the client is gone.
  ssize_t Send(const char* data, std::size_t size, milliseconds limit) {
    if (!WaitFor(socket_, POLLOUT, limit)) return 0;
    if (ssl_ == nullptr) {
      const ssize_t wrote = send(socket_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
      return wrote >= 0 ? wrote : errno == EAGAIN ? 0 : -1;
    }
    return Settled(SSL_write(ssl_, data, static_cast<int>(size)));
  }

 private:
  ssize_t Settled(int result) {
    if (result > 0) return result;
    const int error = SSL_get_error(ssl_, result);
    ERR_clear_error();
    return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? 0 : -1;
  }

  int socket_;
  SSL* ssl_ = nullptr;
};

std::string Response(const std::string& status, const std::string& body,
                     const std::string& extra_headers) {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n" + extra_headers + "\r\n" + body;
}

ScriptedReply AtOnce(std::string bytes, milliseconds delay) {
  return {ScriptedReply::Kind::AtOnce, std::move(bytes), {}, delay, {}};
}
ScriptedReply HoldOpen(std::string bytes) {
  return {ScriptedReply::Kind::HoldOpen, std::move(bytes), {}, {}, {}};
}
ScriptedReply Silent() { return {ScriptedReply::Kind::Silent, {}, {}, {}, {}}; }
ScriptedReply Drip(std::string head, std::string unit, milliseconds interval) {
  return {ScriptedReply::Kind::Drip, std::move(head), std::move(unit), {}, interval};
}
ScriptedReply Flood(std::string head, std::string unit) {
  return {ScriptedReply::Kind::Flood, std::move(head), std::move(unit), {}, {}};
}
ScriptedReply ResetAfter(std::string bytes) {
  return {ScriptedReply::Kind::ResetAfter, std::move(bytes), {}, {}, {}};
}

LoopbackHttpServer::LoopbackHttpServer() {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 8) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot listen on loopback");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  thread_.join();
  close(listener_);
  SSL_CTX_free(tls_);
}

void LoopbackHttpServer::Script(const std::string& path, ScriptedReply reply) {
  const std::lock_guard lock(mutex_);
  replies_[path] = std::move(reply);
}

std::string LoopbackHttpServer::Authority() const { return "127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> LoopbackHttpServer::RequestHeads() const {
  const std::lock_guard lock(mutex_);
  return request_heads_;
}

std::vector<std::string> LoopbackHttpServer::RequestedPaths() const {
  std::vector<std::string> paths;
  for (const std::string& head : RequestHeads()) {
    const std::size_t start = head.find(' ') + 1;
    paths.push_back(head.substr(start, head.find(' ', start) - start));
  }
  return paths;
}

bool LoopbackHttpServer::WaitForRequests(std::size_t count, milliseconds limit) {
  std::unique_lock lock(mutex_);
  return request_came_.wait_for(lock, limit, [&] { return request_heads_.size() >= count; });
}

bool LoopbackHttpServer::WaitUntilConnectionsClosed(milliseconds limit) {
  std::unique_lock lock(mutex_);
  return connection_ended_.wait_for(lock, limit, [this] { return open_connections_ == 0; });
}

void LoopbackHttpServer::Run() {
  // OpenSSL writes to a client that may have gone: the write is to fail, not to kill the tests.
  sigset_t broken_pipe;
  sigemptyset(&broken_pipe);
  sigaddset(&broken_pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &broken_pipe, nullptr);
  while (!stopping_) {
    if (!WaitFor(listener_, POLLIN, kSlice)) continue;
    const int socket = accept(listener_, nullptr, nullptr);
    if (socket < 0) continue;
    {
      const std::lock_guard lock(mutex_);
      ++open_connections_;
    }
    Serve(socket);
    {
      const std::lock_guard lock(mutex_);
      --open_connections_;
    }
    connection_ended_.notify_all();
  }
}

void LoopbackHttpServer::ServeTls(const TlsIdentity& identity, bool old_versions_only) {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  const std::unique_ptr<BIO, decltype(&BIO_free)> chain(
      BIO_new_mem_buf(identity.chain.data(), static_cast<int>(identity.chain.size())), BIO_free);
  const std::unique_ptr<BIO, decltype(&BIO_free)> key(
      BIO_new_mem_buf(identity.key.data(), static_cast<int>(identity.key.size())), BIO_free);
  EVP_PKEY* private_key = PEM_read_bio_PrivateKey(key.get(), nullptr, nullptr, nullptr);
  bool ok = context != nullptr && private_key != nullptr &&
            SSL_CTX_use_PrivateKey(context, private_key) == 1;
  EVP_PKEY_free(private_key);
  // The server's own certificate first, then the rest of its chain.
  for (bool first = true; ok; first = false) {
    X509* certificate = PEM_read_bio_X509(chain.get(), nullptr, nullptr, nullptr);
    if (certificate == nullptr) break;
    ok = first ? SSL_CTX_use_certificate(context, certificate) == 1
               : SSL_CTX_add1_chain_cert(context, certificate) == 1;
    X509_free(certificate);
  }
  if (ok && old_versions_only) {
    // TLS 1.0 and 1.1 sign with SHA-1, which OpenSSL 3 allows only at security level 0.
    SSL_CTX_set_security_level(context, 0);
    ok = SSL_CTX_set_min_proto_version(context, TLS1_VERSION) == 1 &&
         SSL_CTX_set_max_proto_version(context, TLS1_1_VERSION) == 1 &&
         SSL_CTX_set_cipher_list(context, "DEFAULT:@SECLEVEL=0") == 1;
  }
  ERR_clear_error();
  if (!ok) {
    SSL_CTX_free(context);
    throw std::runtime_error("cannot serve TLS");
  }
  const std::lock_guard lock(mutex_);
  SSL_CTX_free(tls_);
  tls_ = context;
}

void LoopbackHttpServer::ScriptOnConnect(ScriptedReply reply) {
  const std::lock_guard lock(mutex_);
  on_connect_ = std::move(reply);
}

void LoopbackHttpServer::Serve(int socket) {
  Link link(socket);
  SSL_CTX* tls = nullptr;
  std::optional<ScriptedReply> on_connect;
  {
    const std::lock_guard lock(mutex_);
    tls = tls_;
    on_connect = on_connect_;
  }
  if (tls != nullptr && StartsWithHandshake(socket) && !link.StartTls(tls, stopping_)) return;
  ScriptedReply reply = on_connect.value_or(AtOnce(Response("404 Not Found", "")));
  if (!on_connect) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      if (stopping_) return;
      const ssize_t got = link.Receive(buffer, sizeof buffer, kSlice);
      if (got < 0) return;
      request.append(buffer, static_cast<std::size_t>(got));
    }
    {
      const std::lock_guard lock(mutex_);
      request_heads_.push_back(request.substr(0, request.find("\r\n\r\n")));
      const std::string head = request_heads_.back();
      const std::size_t start = head.find(' ') + 1;
      const auto scripted = replies_.find(head.substr(start, head.find(' ', start) - start));
      if (scripted != replies_.end()) reply = scripted->second;
    }
    request_came_.notify_all();
  }

  using Kind = ScriptedReply::Kind;
  switch (reply.kind) {
    case Kind::AtOnce:
      for (const auto due = Clock::now() + reply.delay; Clock::now() < due && !stopping_;) {
        std::this_thread::sleep_for(milliseconds(1));
      }
      SendAll(link, reply.head);
      break;
    case Kind::HoldOpen:
    case Kind::Silent:
      if (SendAll(link, reply.head)) {
        while (!stopping_ && !ClientClosed(link, kSlice)) {
        }
      }
      break;
    case Kind::Drip:
      if (SendAll(link, reply.head)) {
        while (!stopping_ && !ClientClosed(link, reply.interval) && SendAll(link, reply.unit)) {
        }
      }
      break;
    case Kind::Flood:
      if (SendAll(link, reply.head)) {
        while (!stopping_ && SendAll(link, reply.unit)) {
        }
      }
      break;
    case Kind::ResetAfter: {
      SendAll(link, reply.head);
      const linger reset{1, 0};
      setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      break;
    }
  }
}

bool LoopbackHttpServer::StartsWithHandshake(int socket) const {
  while (!stopping_) {
    if (!WaitFor(socket, POLLIN, kSlice)) continue;
    unsigned char first = 0;
    return recv(socket, &first, 1, MSG_PEEK) == 1 && first == kHandshakeRecord;
  }
  return false;
}

bool LoopbackHttpServer::SendAll(Link& link, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (stopping_) return false;
    const ssize_t wrote = link.Send(bytes.data() + sent, bytes.size() - sent, kSlice);
    if (wrote < 0) return false;
    sent += static_cast<std::size_t>(wrote);
  }
  return true;
}

bool LoopbackHttpServer::ClientClosed(Link& link, milliseconds limit) {
  char buffer[4096];
  return link.Receive(buffer, sizeof buffer, limit) < 0;
}

}  // namespace voltarik::testing
