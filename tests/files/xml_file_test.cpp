// Project files on disk: what is refused and where the message points, what survives a
// round trip (a failed save is in save_faults_test.cpp).

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
        {"<project name=\"" + std::string(13, 'a') + "\x01\"/>",
         "Control character U+0001 in the file at line 1, column 29"},
        {"<project>\n<task>", "Start-end tags mismatch at line 2, column 6"},
        {"<project name=\"p\"/>x", "Text outside the top-level element at line 1, column 20"},
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

TEST(XmlFile, MarkupKeepsItsCarriageReturnsAndOldControlReferencesReadAsSpaces) {
    QString error;
    const std::string file =
        "<?xml version=\"1.0\"?><!DOCTYPE project [\r\n<!ENTITY a \"b\">]><?pi a\r\nb?>"
        "<project name=\"&#11;x\"><?pi c\rd?>&#12;&#13;<![CDATA[<?]]>&#13;</project>";
    auto document = XmlFile::Parse(file, error);
    ASSERT_NE(document, nullptr) << error.toStdString();
    EXPECT_EQ(XmlFile::Serialize(*document),
              "<?xml version=\"1.0\"?><!DOCTYPE project [\r\n<!ENTITY a \"b\">]><?pi a\r\nb?>"
              "<project name=\" x\"><?pi c\rd?> &#13;<![CDATA[<?]]>&#13;</project>");
}

// pugixml hands its output over in pieces of a few kilobytes: markup split between two of
// them must still be followed, wherever the split falls.
TEST(XmlFile, CarriageReturnsAreEscapedWhereverTheOutputIsSplit) {
    for (size_t pad = 1; pad < 4200; ++pad) {
        pugi::xml_document document;
        pugi::xml_node project = document.append_child("project");
        project.append_child("description").text().set(std::string(pad, 'x').c_str());
        project.append_child(pugi::node_comment).set_value("a\r-\r>x>");
        project.append_child(pugi::node_pi).set_name("p");
        project.last_child().set_value("\r?\r");
        project.append_child(pugi::node_pcdata).set_value("\r");
        project.append_child(pugi::node_cdata).set_value("<!--\r]>");
        project.append_child(pugi::node_pcdata).set_value("y\r");
        ASSERT_EQ(XmlFile::Serialize(document),
                  "<?xml version=\"1.0\"?><project><description>" + std::string(pad, 'x') +
                      "</description><!--a\r-\r>x>--><?p \r?\r?>&#13;<![CDATA[<!--\r]>]]>y&#13;"
                      "</project>")
            << pad;
    }
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

}  // namespace
