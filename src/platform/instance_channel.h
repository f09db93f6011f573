#pragma once
// One running copy per user: a second start hands its files to the first over a local
// socket and ends, instead of opening a second window on the same files.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "platform/remote_command.h"

class QLocalServer;

class InstanceChannel : public QObject {
    Q_OBJECT
  public:
    // The channel of this user's copies, named after the user so that users never meet.
    static QString DefaultName();
    explicit InstanceChannel(QString name, QObject* parent = nullptr);

    // The longest message a listening copy takes; it hangs up on a longer one, unread.
    static constexpr qint64 kMaxMessageBytes = qint64(1) << 20;

    // Hands the files (absolute paths; none just brings the window up) to the copy already
    // listening, in messages within that length; false when there is none.
    bool HandOver(const QStringList& files);
    // Listens for later copies from now on; a socket a crashed copy left is replaced.
    // false when listening failed (the program then simply runs alone).
    bool Listen();

    // Sends a command to the copy listening and waits for its answer; none when no copy
    // listens. A copy that takes the command but does not answer in time answers for it.
    std::optional<RemoteAnswer> Ask(const RemoteCommand& command);
    // How this copy answers commands; it answers as soon as a command has arrived whole.
    using CommandHandler = std::function<RemoteAnswer(const RemoteCommand&)>;
    void SetCommandHandler(CommandHandler handler) { commandHandler_ = std::move(handler); }

  signals:
    void FilesHandedOver(const QStringList& files);

  private:
    bool Send(const QByteArray& message) const;
    void Receive();
    QString name_;
    CommandHandler commandHandler_;
    QLocalServer* server_ = nullptr;
};
