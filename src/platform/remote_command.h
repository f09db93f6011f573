#pragma once
// The commands a desktop shortcut or a script sends the running window (--status, --start,
// --stop, --toggle): read from the program's arguments in one place, carried over the
// single-instance channel as one small message, answered with an exit code and a text.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

struct RemoteCommand {
    enum class Verb { Status, Start, Stop, Toggle };
    Verb verb = Verb::Status;
    bool json = false;  // --status --json
    QString taskPath;   // --start's path of names, as typed ("Site/Design/Logo")
};

// What the arguments (without the program's name) ask for.
struct CommandLine {
    std::optional<RemoteCommand> command;  // none: start the window, or hand it files
    QString error;                         // a usage error; the program says it and exits 2
};
CommandLine ParseCommandLine(const QStringList& arguments);

// The names of a task path from the project down: `/` between names, `//` for a `/`
// inside one. Empty when a name would be empty ("a//", "/a", "a/").
QStringList SplitTaskPath(const QString& path);

// The running window's answer: the exit code, and the text for standard output (code 0)
// or standard error (any other).
struct RemoteAnswer {
    int exitCode = 0;
    QString text;
};

// Exit codes a person's script can tell apart.
constexpr int kExitNotRunning = 1;
constexpr int kExitRefused = 2;

// The longest command message; the channel hangs up on a longer one.
constexpr qint64 kMaxCommandBytes = 64 * 1024;

// The messages on the wire. A command message starts with a byte no list of absolute
// paths starts with, and carries its length, so the window answers without waiting for
// the sender to hang up.
QByteArray EncodeCommand(const RemoteCommand& command);
bool IsCommandMessage(const QByteArray& bytes);
// The command once the message is complete; none while bytes are still to come.
// `malformed` is set when the message can never become one.
std::optional<RemoteCommand> DecodeCommand(const QByteArray& bytes, bool& malformed);
QByteArray EncodeAnswer(const RemoteAnswer& answer);
std::optional<RemoteAnswer> DecodeAnswer(const QByteArray& bytes);
