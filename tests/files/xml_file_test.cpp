// Project files on disk: what is refused and where the message points, what survives a
// round trip, and a failed save that leaves the earlier file whole.
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>
#include <string>

#include "files/xml_file.h"
#include "support/window_fixture.h"

namespace {

using namespace std::string_literals;

TEST(XmlFile, BadInputIsRefusedWithLineAndColumn) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "The file holds no XML element at line 1, column 1"},
        {"<project>\n  <description>&nbsp;</description></project>",
         "Undefined entity '&nbsp;' at line 2, column 16"},
        {"<!DOCTYPE p [<!ENTITY co \"Co\">]><project name=\"&co;\"/>",
         "Undefined entity '&co;' at line 1, column 48"},
        {"<project name=\"caf\xE9\"/>", "Byte 0xE9 is not valid UTF-8 at line 1, column 19"},
        {"\x7F"
         "ELF\x02\x01\x01\0\0\0"s,
         "Control character U+0002 in the file at line 1, column 5"},
        {"<project>\n<task>", "Start-end tags mismatch at line 2, column 6"},
    };
    for (const auto& [bytes, message] : cases) {
        QString error;
        EXPECT_EQ(XmlFile::Parse(bytes, error), nullptr) << message;
        EXPECT_EQ(error.toStdString(), message);
    }
}

TEST(XmlFile, WhatIsReadIsWrittenBackAsItWas) {
    const std::string text =
        "<project name=\"a &amp; &lt;b>\" z=\"1\" a=\"2\"><description>cr&#13;\nlf"
        "</description><!-- kept --><task name=\"T\"/></project>";
    QString error;
    auto document = XmlFile::Parse(text, error);
    ASSERT_NE(document, nullptr) << error.toStdString();
    EXPECT_EQ(XmlFile::Serialize(*document), "<?xml version=\"1.0\"?>" + text);
}

TEST(XmlFile, AMillionLevelsDeepNeitherOverflowsNorHangs) {
    std::string deep;
    for (int i = 0; i < 1000000; ++i) {
        deep += "<task>";
    }
    QString error;
    EXPECT_EQ(XmlFile::Parse("<project>" + deep, error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST(XmlFile, AFailedSaveKeepsTheEarlierFileAndLeavesNoTemporary) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old.hvp");
    WriteFile(path, "<old/>");
    pugi::xml_document big;
    big.append_child("project").text().set(std::string(64 * 1024, 'x').c_str());
    // A file size limit fails the write the way a full disk does, even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool written = XmlFile::Save(big, path, error);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_EQ(error.toStdString(), "File too large");
    EXPECT_EQ(ReadFile(path), "<old/>");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.hvp"});
}

}  // namespace
