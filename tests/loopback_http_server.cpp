#include "tests/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

}  // namespace

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

bool LoopbackHttpServer::WaitUntilConnectionsClosed(milliseconds limit) {
  std::unique_lock lock(mutex_);
  return connection_ended_.wait_for(lock, limit, [this] { return open_connections_ == 0; });
}

void LoopbackHttpServer::Run() {
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

void LoopbackHttpServer::Serve(int socket) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (stopping_) return static_cast<void>(close(socket));
    if (!WaitFor(socket, POLLIN, kSlice)) continue;
    const ssize_t got = recv(socket, buffer, sizeof buffer, 0);
    if (got <= 0) return static_cast<void>(close(socket));
    request.append(buffer, static_cast<std::size_t>(got));
  }
  ScriptedReply reply = AtOnce(Response("404 Not Found", ""));
  {
    const std::lock_guard lock(mutex_);
    request_heads_.push_back(request.substr(0, request.find("\r\n\r\n")));
    const std::string head = request_heads_.back();
    const std::size_t start = head.find(' ') + 1;
    const auto scripted = replies_.find(head.substr(start, head.find(' ', start) - start));
    if (scripted != replies_.end()) reply = scripted->second;
  }

  using Kind = ScriptedReply::Kind;
  switch (reply.kind) {
    case Kind::AtOnce:
      for (const auto due = Clock::now() + reply.delay; Clock::now() < due && !stopping_;) {
        std::this_thread::sleep_for(milliseconds(1));
      }
      SendAll(socket, reply.head);
      break;
    case Kind::HoldOpen:
    case Kind::Silent:
      if (SendAll(socket, reply.head)) {
        while (!stopping_ && !ClientClosed(socket, kSlice)) {
        }
      }
      break;
    case Kind::Drip:
      if (SendAll(socket, reply.head)) {
        while (!stopping_ && !ClientClosed(socket, reply.interval) && SendAll(socket, reply.unit)) {
        }
      }
      break;
    case Kind::Flood:
      if (SendAll(socket, reply.head)) {
        while (!stopping_ && SendAll(socket, reply.unit)) {
        }
      }
      break;
    case Kind::ResetAfter: {
      SendAll(socket, reply.head);
      const linger reset{1, 0};
      setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      break;
    }
  }
  close(socket);
}

bool LoopbackHttpServer::SendAll(int socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (stopping_) return false;
    if (!WaitFor(socket, POLLOUT, kSlice)) continue;
    const ssize_t wrote = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (wrote < 0) return false;
    sent += static_cast<std::size_t>(wrote);
  }
  return true;
}

bool LoopbackHttpServer::ClientClosed(int socket, milliseconds limit) {
  if (!WaitFor(socket, POLLIN, limit)) return false;
  char buffer[4096];
  return recv(socket, buffer, sizeof buffer, MSG_DONTWAIT) <= 0;
}

}  // namespace voltarik::testing
