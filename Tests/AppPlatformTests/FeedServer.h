#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A one-file HTTP server on a free loopback port: every request gets the same
// status and body.
class FeedServer : public QObject {
public:
    FeedServer(int status, QByteArray body) : status_(status), body_(std::move(body))
    {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request_ += socket->readAll();
                    if (!request_.contains("\r\n\r\n")) {
                        return;
                    }
                    ++requests_;
                    const QByteArray reason = status_ == 200 ? "OK" : "Not Found";
                    socket->write("HTTP/1.1 " + QByteArray::number(status_) + " " + reason +
                                  "\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
                                  QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_);
                    socket->disconnectFromHost();
                    request_.clear();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url(const QString& path = QStringLiteral("/tallowmere/downloads/appcast.xml")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    int requests() const { return requests_; }

private:
    QTcpServer server_;
    int status_;
    QByteArray body_;
    QByteArray request_;
    int requests_ = 0;
};
