#include "platform/instance_channel.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>

#include <unistd.h>
#include <memory>

namespace {

// Paths may hold anything but NUL.
QByteArray Encode(const QStringList& files) {
    QByteArray bytes;
    for (const QString& file : files) {
        bytes += file.toUtf8();
        bytes += '\0';
    }
    return bytes;
}

QStringList Decode(const QByteArray& bytes) {
    QStringList files;
    for (const QByteArray& piece : bytes.split('\0')) {
        if (!piece.isEmpty()) {
            files << QString::fromUtf8(piece);
        }
    }
    return files;
}

constexpr int kWaitMs = 2000;

}  // namespace

QString InstanceChannel::DefaultName() {
    // The runtime folder is the user's own; elsewhere the user id keeps copies apart. A copy
    // on another display (another seat, a nested session) is a window the person cannot see.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QString display = QString::fromLocal8Bit(qgetenv("WAYLAND_DISPLAY") + qgetenv("DISPLAY"));
    display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    const QString name = QStringLiteral("horavel-%1-%2.socket").arg(getuid()).arg(display);
    return runtime.isEmpty() ? name : runtime + QLatin1Char('/') + name;
}

InstanceChannel::InstanceChannel(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

bool InstanceChannel::HandOver(const QStringList& files) {
    QLocalSocket socket;
    socket.connectToServer(name_, QIODevice::WriteOnly);
    if (!socket.waitForConnected(kWaitMs)) {
        return false;  // nobody listens, or only a socket a crashed copy left
    }
    const QByteArray bytes = Encode(files);
    socket.write(bytes);
    bool sent = socket.bytesToWrite() == 0 || socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        sent = socket.waitForDisconnected(kWaitMs) && sent;
    }
    return sent;
}

bool InstanceChannel::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Nobody answered HandOver, so a socket still there is a crashed copy's.
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_)) {
            return false;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &InstanceChannel::Receive);
    return true;
}

void InstanceChannel::Receive() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        // The sender writes everything and hangs up; what it sent is complete then.
        auto received = std::make_shared<QByteArray>();
        const auto deliver = [this, socket, received] {
            *received += socket->readAll();
            socket->deleteLater();
            emit FilesHandedOver(Decode(*received));
        };
        connect(socket, &QLocalSocket::readyRead, this,
                [socket, received] { *received += socket->readAll(); });
        if (socket->state() == QLocalSocket::UnconnectedState) {
            deliver();
        } else {
            connect(socket, &QLocalSocket::disconnected, this, deliver);
        }
    }
}
