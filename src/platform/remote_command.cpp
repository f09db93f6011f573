#include "platform/remote_command.h"

#include <QtEndian>

#include <array>
#include <utility>

namespace {

constexpr char kCommandMark = '\x01';
constexpr int kHeaderBytes = 1 + 4;  // the mark and the payload's length

struct VerbName {
    RemoteCommand::Verb verb;
    const char* option;
    char code;
};
constexpr std::array<VerbName, 4> kVerbs{{{RemoteCommand::Verb::Status, "--status", 's'},
                                          {RemoteCommand::Verb::Start, "--start", 'b'},
                                          {RemoteCommand::Verb::Stop, "--stop", 'e'},
                                          {RemoteCommand::Verb::Toggle, "--toggle", 't'}}};

const VerbName* VerbOfOption(const QString& argument) {
    for (const VerbName& name : kVerbs) {
        if (argument == QLatin1String(name.option) ||
            (name.verb == RemoteCommand::Verb::Start && argument.startsWith("--start="))) {
            return &name;
        }
    }
    return nullptr;
}

QByteArray Framed(char mark, const QByteArray& payload) {
    QByteArray message(kHeaderBytes, '\0');
    message[0] = mark;
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), message.data() + 1);
    return message + payload;
}

// The payload once the framed message is complete; none while it is not.
std::optional<QByteArray> Unframed(const QByteArray& bytes, qint64 limit, bool& malformed) {
    malformed = false;
    if (bytes.size() < kHeaderBytes) {
        return std::nullopt;
    }
    const quint32 length = qFromBigEndian<quint32>(bytes.constData() + 1);
    if (length > limit || bytes.size() > kHeaderBytes + qint64(length)) {
        malformed = true;
        return std::nullopt;
    }
    if (bytes.size() < kHeaderBytes + qint64(length)) {
        return std::nullopt;
    }
    return bytes.mid(kHeaderBytes);
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    RemoteCommand command;
    const VerbName* verb = nullptr;
    bool json = false;
    bool others = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--json")) {
            json = true;
        } else if (const VerbName* named = VerbOfOption(argument)) {
            if (verb != nullptr) {
                line.error = QStringLiteral("Give only one of --status, --start, --stop, --toggle");
                return line;
            }
            verb = named;
            if (named->verb == RemoteCommand::Verb::Start) {
                if (argument.startsWith("--start=")) {
                    command.taskPath = argument.mid(8);
                } else if (i + 1 < arguments.size()) {
                    command.taskPath = arguments[++i];
                } else {
                    line.error =
                        QStringLiteral("--start needs a task path, such as \"Site/Design/Logo\"");
                    return line;
                }
            }
        } else {
            others = true;
        }
    }
    if (json && (verb == nullptr || verb->verb != RemoteCommand::Verb::Status)) {
        line.error = QStringLiteral("--json goes with --status");
    } else if (verb != nullptr && others) {
        line.error = QStringLiteral("%1 takes no file").arg(QLatin1String(verb->option));
    } else if (verb != nullptr) {
        command.verb = verb->verb;
        command.json = json;
        line.command = command;
    }
    return line;
}

QStringList SplitTaskPath(const QString& path) {
    QStringList names(1);
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] != QLatin1Char('/')) {
            names.back() += path[i];
        } else if (i + 1 < path.size() && path[i + 1] == QLatin1Char('/')) {
            names.back() += QLatin1Char('/');
            ++i;
        } else {
            names.append(QString());
        }
    }
    for (const QString& name : names) {
        if (name.isEmpty()) {
            return {};
        }
    }
    return names;
}

QByteArray EncodeCommand(const RemoteCommand& command) {
    QByteArray payload;
    for (const VerbName& name : kVerbs) {
        if (name.verb == command.verb) {
            payload += name.code;
        }
    }
    payload += command.json ? '1' : '0';
    payload += command.taskPath.toUtf8();
    return Framed(kCommandMark, payload);
}

bool IsCommandMessage(const QByteArray& bytes) {
    return !bytes.isEmpty() && bytes[0] == kCommandMark;
}

std::optional<RemoteCommand> DecodeCommand(const QByteArray& bytes, bool& malformed) {
    const std::optional<QByteArray> payload = Unframed(bytes, kMaxCommandBytes, malformed);
    if (!payload) {
        return std::nullopt;
    }
    malformed = true;
    if (payload->size() < 2 || (payload->at(1) != '0' && payload->at(1) != '1')) {
        return std::nullopt;
    }
    for (const VerbName& name : kVerbs) {
        if (name.code == payload->at(0)) {
            malformed = false;
            return RemoteCommand{name.verb, payload->at(1) == '1',
                                 QString::fromUtf8(payload->mid(2))};
        }
    }
    return std::nullopt;
}

QByteArray EncodeAnswer(const RemoteAnswer& answer) {
    return Framed(static_cast<char>(answer.exitCode), answer.text.toUtf8());
}

std::optional<RemoteAnswer> DecodeAnswer(const QByteArray& bytes) {
    bool malformed = false;
    const std::optional<QByteArray> payload = Unframed(bytes, kMaxCommandBytes, malformed);
    if (!payload) {
        return std::nullopt;
    }
    return RemoteAnswer{static_cast<unsigned char>(bytes[0]), QString::fromUtf8(*payload)};
}
