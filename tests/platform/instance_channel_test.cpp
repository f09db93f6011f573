// The single-instance channel over a real local socket: a long list of files arrives as it
// was sent, and a sender that sends far more than any message holds is cut off unread.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>

#include "platform/instance_channel.h"
#include "support/serving.h"

namespace {

class Channel : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(listening_.Listen());
    }
    void Serve(const std::function<void()>& sender) {
        WhileServing(sender, 20000);
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir_;
    const QString name_ = dir_.filePath(QStringLiteral("channel"));
    InstanceChannel listening_{name_};
    QSignalSpy handed_{&listening_, &InstanceChannel::FilesHandedOver};
};

TEST_F(Channel, AListOfSeveralMegabytesArrivesWholeInMessagesWithinTheLimit) {
    QStringList files;
    for (int i = 0; i < 2500; ++i) {
        files << QStringLiteral("/home/someone/%1/").arg(i) + QString(1000, QLatin1Char('x'));
    }
    bool sent = false;
    Serve([&] { sent = InstanceChannel(name_).HandOver(files); });
    EXPECT_TRUE(sent);
    // The sender is done once its bytes are in the socket; the last message may still be
    // on its way to this side.
    for (int waits = 0; handed_.count() < 3 && waits < 50; ++waits) {
        handed_.wait(100);
    }
    QStringList arrived;
    for (const QList<QVariant>& message : handed_) {
        arrived += message.at(0).toStringList();
    }
    EXPECT_EQ(handed_.count(), 3);
    EXPECT_TRUE(arrived == files);
}

TEST_F(Channel, ASenderOfMoreThanAMegabyteIsCutOffAndTheNextOneIsHeard) {
    int sendError = 0;
    Serve([&] {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{AF_UNIX, {}};
        qstrncpy(address.sun_path, QFile::encodeName(name_).constData(), sizeof address.sun_path);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return;
        }
        const timeval patience{10, 0};  // a channel that stops reading is a failure too
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
        const std::string chunk(1 << 16, 'x');
        for (int i = 0; i < 256 && sendError == 0; ++i) {  // 16 MB
            if (send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0) {
                sendError = errno;
            }
        }
        close(fd);
    });
    EXPECT_TRUE(sendError == EPIPE || sendError == ECONNRESET) << sendError;
    EXPECT_EQ(handed_.count(), 0);

    EXPECT_TRUE(InstanceChannel(name_).HandOver({QStringLiteral("/p.hvp")}));
    ASSERT_TRUE(handed_.wait(5000));
    EXPECT_EQ(handed_.at(0).at(0).toStringList(), QStringList{QStringLiteral("/p.hvp")});
}

}  // namespace
