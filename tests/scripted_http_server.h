// A loopback HTTP server for the news tests. Each connection reads one request and answers as the
// script says: at once, never, a few bytes at a time for ever, or with an endless chunked body.
// It runs on the test's thread: the fetch's local event loop serves it.
#ifndef VOLTARIK_TESTS_SCRIPTED_HTTP_SERVER_H_
#define VOLTARIK_TESTS_SCRIPTED_HTTP_SERVER_H_

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace voltarik::testing {

enum class Answer { AtOnce, Never, Trickle, EndlessChunks };

struct ScriptedReply {
  Answer answer = Answer::AtOnce;
  QByteArray bytes;  // the whole response for AtOnce; the head for Trickle and EndlessChunks
};

inline QByteArray Response(const QByteArray& status, const QByteArray& body,
                           const QByteArray& extra_headers = {}) {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
         "\r\nConnection: close\r\n" + extra_headers + "\r\n" + body;
}

class ScriptedHttpServer : public QObject {
 public:
  ScriptedHttpServer() {
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
      }
    });
  }

  // The reply for a request path, e.g. "/voltarik.txt".
  void Script(const QByteArray& path, ScriptedReply reply) { replies_[path] = std::move(reply); }
  QString Authority() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }
  const QList<QByteArray>& requested_paths() const { return requested_paths_; }

 private:
  void Serve(QTcpSocket* socket) {
    QByteArray& request = pending_[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n")) return;
    const QByteArray path = request.split(' ').value(1);
    requested_paths_.append(path);
    const ScriptedReply reply =
        replies_.value(path, {Answer::AtOnce, Response("404 Not Found", "")});
    switch (reply.answer) {
      case Answer::AtOnce:
        socket->write(reply.bytes);
        socket->disconnectFromHost();
        break;
      case Answer::Never:
        break;
      case Answer::Trickle:
      case Answer::EndlessChunks: {
        socket->write(reply.bytes);
        auto* drip = new QTimer(socket);
        const bool chunks = reply.answer == Answer::EndlessChunks;
        connect(drip, &QTimer::timeout, socket, [socket, chunks] {
          socket->write(chunks ? "10000\r\n" + QByteArray(0x10000, 'x') + "\r\n" : "x");
        });
        drip->start(chunks ? 1 : 50);
        break;
      }
    }
  }

  QTcpServer server_;
  QMap<QByteArray, ScriptedReply> replies_;
  QMap<QTcpSocket*, QByteArray> pending_;
  QList<QByteArray> requested_paths_;
};

}  // namespace voltarik::testing

#endif  // VOLTARIK_TESTS_SCRIPTED_HTTP_SERVER_H_
