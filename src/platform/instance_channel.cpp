#include "platform/instance_channel.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>
#include <memory>

namespace {

// Paths may hold anything but NUL. A list too long for one message goes in several, each
// of whole paths; no files still make one message, which brings the window up.
QList<QByteArray> Encode(const QStringList& files) {
    QList<QByteArray> messages(1);
    for (const QString& file : files) {
        const QByteArray piece = file.toUtf8() + '\0';
        if (!messages.back().isEmpty() &&
            messages.back().size() + piece.size() > InstanceChannel::kMaxMessageBytes) {
            messages.append(QByteArray());
        }
        messages.back() += piece;
    }
    return messages;
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
// The window answers as soon as it reads a command; a window busy this long is stuck.
constexpr int kAnswerWaitMs = 3000;
constexpr int kSilenceMs = 10000;

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
    bool delivered = false;
    for (const QByteArray& message : Encode(files)) {
        delivered = Send(message) || delivered;
    }
    return delivered;
}

bool InstanceChannel::Send(const QByteArray& message) const {
    QLocalSocket socket;
    socket.connectToServer(name_, QIODevice::WriteOnly);
    if (!socket.waitForConnected(kWaitMs)) {
        return false;  // nobody listens, or only a socket a crashed copy left
    }
    socket.write(message);
    bool sent = socket.bytesToWrite() == 0 || socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        sent = socket.waitForDisconnected(kWaitMs) && sent;
    }
    return sent;
}

std::optional<RemoteAnswer> InstanceChannel::Ask(const RemoteCommand& command) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kWaitMs)) {
        return std::nullopt;
    }
    socket.write(EncodeCommand(command));
    QByteArray answer;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kAnswerWaitMs) {
        if (const std::optional<RemoteAnswer> decoded = DecodeAnswer(answer)) {
            return decoded;
        }
        if (!socket.waitForReadyRead(int(kAnswerWaitMs - waited.elapsed())) &&
            socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0) {
            break;
        }
        answer += socket.readAll();
    }
    if (const std::optional<RemoteAnswer> decoded = DecodeAnswer(answer)) {
        return decoded;
    }
    return RemoteAnswer{kExitNotRunning, QStringLiteral("Horavel did not answer")};
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
        struct Incoming {
            QByteArray bytes;
            bool refused = false;
        };
        auto incoming = std::make_shared<Incoming>();
        const auto refuse = [socket, incoming] {
            incoming->refused = true;
            incoming->bytes.clear();
            socket->abort();
        };
        const auto answer = [this, socket, incoming](const RemoteCommand& command) {
            incoming->refused = true;  // answered: nothing more is read from it
            const RemoteAnswer reply =
                commandHandler_
                    ? commandHandler_(command)
                    : RemoteAnswer{kExitRefused, QStringLiteral("Horavel takes no commands")};
            socket->write(EncodeAnswer(reply));
            socket->disconnectFromServer();
        };
        const auto take = [socket, incoming, refuse, answer] {
            if (incoming->refused) {
                return;
            }
            incoming->bytes += socket->read(kMaxMessageBytes + 1 - incoming->bytes.size());
            if (incoming->bytes.size() > kMaxMessageBytes) {
                refuse();  // no list of files is this long: whatever it is, it goes
            } else if (IsCommandMessage(incoming->bytes)) {
                bool malformed = false;
                if (const std::optional<RemoteCommand> command =
                        DecodeCommand(incoming->bytes, malformed)) {
                    answer(*command);
                } else if (malformed) {
                    refuse();
                }
            }
        };
        const auto deliver = [this, socket, incoming, take] {
            take();
            socket->deleteLater();
            // A command cut off before its end is no list of files either.
            if (!incoming->refused && !IsCommandMessage(incoming->bytes)) {
                emit FilesHandedOver(Decode(incoming->bytes));
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, take);
        QTimer::singleShot(kSilenceMs, socket, refuse);  // nor one that never hangs up
        if (socket->state() == QLocalSocket::UnconnectedState) {
            deliver();
        } else {
            connect(socket, &QLocalSocket::disconnected, this, deliver);
        }
    }
}
