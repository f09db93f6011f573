// Reading and writing documents: what is refused, what survives a round trip, and what a
// failed write leaves behind.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <string>

#include "files/xml_checks.h"
#include "files/xml_file.h"

namespace {

std::string ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "<unreadable>";
    }
    return file.readAll().toStdString();
}

void WriteAll(const QString& path, std::string_view bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}

QString DataFile(const char* name) {
    return QStringLiteral(HORAVEL_TEST_DATA "/") + QString::fromLatin1(name);
}

// ---- What is refused, and where the message points ----

struct Refusal {
    const char* name;
    std::string bytes;
    const char* message;  // the whole description, position included
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class RefusedDocument : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedDocument, IsReportedWithLineAndColumn) {
    QString error;
    EXPECT_EQ(XmlFile::Parse(GetParam().bytes, error), nullptr);
    EXPECT_EQ(error.toStdString(), GetParam().message);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    XmlFile, RefusedDocument,
    ::testing::Values(
        Refusal{"Empty", "", "The file holds no XML element at line 1, column 1"},
        Refusal{"OnlyWhitespace", " \r\n", "The file holds no XML element at line 1, column 1"},
        Refusal{"TwoTopLevelElements", "<project/>\n<project/>",
                "More than one top-level element ('project' and 'project') at line 2, column 2"},
        Refusal{"TextAfterTheElement", "<project/>\n  stray",
                "Text outside the top-level element at line 2, column 3"},
        Refusal{"OneCharacterAfterTheElement", "<project name=\"p\"/>x",
                "Text outside the top-level element at line 1, column 20"},
        Refusal{"TextBeforeTheElement", "x<project/>",
                "Text outside the top-level element at line 1, column 1"},
        Refusal{"UndefinedEntityInText", "<project>\n  <description>&nbsp;</description></project>",
                "Undefined entity '&nbsp;' at line 2, column 16"},
        Refusal{"UndefinedEntityInAttribute", "<project name=\"a &copy;\"/>",
                "Undefined entity '&copy;' at line 1, column 18"},
        Refusal{"EntityOfTheDocumentType",
                "<!DOCTYPE p [<!ENTITY co \"Co\">]><project name=\"&co;\"/>",
                "Undefined entity '&co;' at line 1, column 48"},
        Refusal{"BareAmpersand", "<project>a & b</project>",
                "'&' that does not begin a reference (write &amp;) at line 1, column 12"},
        Refusal{"ReferenceToNul", "<project>&#0;</project>",
                "Invalid character reference '&#0;' at line 1, column 10"},
        Refusal{"ReferenceToSurrogate", "<project>&#xD800;</project>",
                "Invalid character reference '&#xD800;' at line 1, column 10"},
        Refusal{"InvalidUtf8", "<project name=\"caf\xE9\"/>",
                "Byte 0xE9 is not valid UTF-8 at line 1, column 19"},
        Refusal{"OverlongUtf8", "<project>\xC0\xAF</project>",
                "Byte 0xC0 is not valid UTF-8 at line 1, column 10"},
        Refusal{"EncodedSurrogate", "<p>\xED\xA0\x80</p>",
                "Byte 0xED is not valid UTF-8 at line 1, column 4"},
        Refusal{"NulInTheMiddle", "<project/>\0<junk>"s,
                "Control character U+0000 in the file at line 1, column 11"},
        Refusal{"BinaryJunk",
                "\x7F"
                "ELF\x02\x01\x01\0\0\0"s,
                "Control character U+0002 in the file at line 1, column 5"},
        Refusal{"Utf16", "\xFF\xFE<\0p\0/\0>\0"s,
                "The file is UTF-16 text; only UTF-8 can be read at line 1, column 1"},
        Refusal{"Latin1Declared", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><project/>",
                "The file declares the encoding 'ISO-8859-1'; only UTF-8 can be read at line 1, "
                "column 3"},
        Refusal{"Version11", "<?xml version=\"1.1\"?><project/>",
                "The XML declaration names version '1.1'; only version 1.0 can be read at line "
                "1, column 3"},
        Refusal{"DeclarationNotFirst", "\n<?xml version=\"1.0\"?><project/>",
                "An XML declaration is allowed only at the very start of the file at line 2, "
                "column 3"},
        Refusal{"DoctypeAfterTheElement", "<project/><!DOCTYPE project>",
                "A document type declaration must come once, before the top-level element at "
                "line 1, column 21"},
        Refusal{"DuplicateAttribute", "<project name=\"a\" name=\"b\"/>",
                "Attribute 'name' appears twice in element 'project' at line 1, column 2"},
        Refusal{"LessThanInAttribute", "<project name=\"a<b\"/>",
                "'<' in the value of attribute 'name' at line 1, column 17"},
        Refusal{"DoubleHyphenInComment", "<project><!-- a -- b --></project>",
                "'--' inside a comment at line 1, column 14"},
        Refusal{"Unclosed", "<project>\n<task>", "Start-end tags mismatch at line 2, column 6"},
        Refusal{"Mismatched", "<project></task>", "Start-end tags mismatch at line 1, column 12"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST(XmlFile, ReferencesAreExpandedOnceAndWrittenBackEscaped) {
    QString error;
    auto document = XmlFile::Parse(
        "<p a=\"&lt;&#65;&#x42;&apos;&quot;\">&amp;lt; &#233;&#x1F600;<![CDATA[&amp;]]></p>",
        error);
    ASSERT_NE(document, nullptr) << error.toStdString();
    pugi::xml_node p = document->document_element();
    EXPECT_STREQ(p.attribute("a").value(), "<AB'\"");
    EXPECT_STREQ(p.first_child().value(), "&lt; \xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_STREQ(p.last_child().value(), "&amp;");  // CDATA is taken as it stands
    EXPECT_EQ(XmlFile::Serialize(*document),
              "<?xml version=\"1.0\"?><p a=\"&lt;AB'&quot;\">&amp;lt; \xC3\xA9\xF0\x9F\x98\x80"
              "<![CDATA[&amp;]]></p>");
}

TEST(XmlFile, CarriageReturnsAndControlCharactersSurviveARoundTrip) {
    pugi::xml_document document;
    pugi::xml_node p = document.append_child("p");
    p.append_attribute("a").set_value("1\r\n2\t3");
    p.append_child(pugi::node_pcdata).set_value("x\r\ny\rz");
    const std::string saved = XmlFile::Serialize(document);
    QString error;
    auto loaded = XmlFile::Parse(saved, error);
    ASSERT_NE(loaded, nullptr) << error.toStdString() << " in " << saved;
    EXPECT_STREQ(loaded->document_element().attribute("a").value(), "1\r\n2\t3");
    EXPECT_STREQ(loaded->document_element().text().get(), "x\r\ny\rz");
    EXPECT_EQ(XmlFile::Serialize(*loaded), saved);
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

TEST(XmlFile, SavedBytesAreADeclarationAndTheRawDocument) {
    pugi::xml_document document;
    // A declaration carried by the document (as the new-project template has) is not
    // written twice, nor with an encoding.
    document.append_child(pugi::node_declaration).append_attribute("encoding") = "latin1";
    pugi::xml_node project = document.append_child("project");
    project.append_child("task").append_child("task");
    EXPECT_EQ(XmlFile::Serialize(document),
              "<?xml version=\"1.0\"?><project><task><task/></task></project>");
}

TEST(XmlFile, AFileTheProgramWroteLoadsAndSavesBackByteForByte) {
    QString error;
    const std::string original = ReadAll(DataFile("site.hvp"));
    auto document = XmlFile::Read(DataFile("site.hvp"), error);
    ASSERT_NE(document, nullptr) << error.toStdString();
    EXPECT_EQ(XmlFile::Serialize(*document), original);
}

TEST(XmlFile, AHandWrittenFileKeepsEverythingItSays) {
    QString error;
    auto document = XmlFile::Read(DataFile("foreign.hvp"), error);
    ASSERT_NE(document, nullptr) << error.toStdString();
    EXPECT_EQ(XmlFile::Serialize(*document), ReadAll(DataFile("foreign.saved.hvp")));
    // and what it was saved as is a file of our own: stable from here on
    auto again = XmlFile::Parse(ReadAll(DataFile("foreign.saved.hvp")), error);
    ASSERT_NE(again, nullptr) << error.toStdString();
    EXPECT_EQ(XmlFile::Serialize(*again), ReadAll(DataFile("foreign.saved.hvp")));
}

TEST(XmlFile, PositionsCountCharactersAndEveryKindOfLineEnd) {
    const std::string_view text = "a\r\nb\rc\n\xC3\xA9\xE2\x98\xBAx";
    EXPECT_EQ(XmlChecks::PositionAt(text, 0).line, 1u);
    const auto lastX = XmlChecks::PositionAt(text, text.size() - 1);
    EXPECT_EQ(lastX.line, 4u);
    EXPECT_EQ(lastX.column, 3u);  // é and ☺ are one column each
    EXPECT_EQ(XmlChecks::PositionAt(text, 5).line, 3u);
}

TEST(XmlFile, AMillionLevelsDeepNeitherOverflowsNorHangs) {
    constexpr int kDepth = 1000000;
    std::string deep = "<project>";
    deep.reserve(size_t(kDepth) * 13 + 32);
    for (int i = 0; i < kDepth; ++i) {
        deep += "<task>";
    }
    deep += "&amp;";
    for (int i = 0; i < kDepth; ++i) {
        deep += "</task>";
    }
    deep += "</project>";
    QString error;
    auto document = XmlFile::Parse(deep, error);
    ASSERT_NE(document, nullptr) << error.toStdString();
    EXPECT_EQ(XmlFile::Serialize(*document), "<?xml version=\"1.0\"?>" + deep);
    document.reset();  // and it is freed without recursion
}

// ---- Reading files that are not project files at all ----

class XmlFileOnDisk : public ::testing::Test {
  protected:
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir_;
};

TEST_F(XmlFileOnDisk, ReadRefusesWhatIsNoRegularFile) {
    QString error;
    EXPECT_EQ(XmlFile::Read(dir_.path(), error), nullptr);
    EXPECT_EQ(error.toStdString(), "This is a folder, not a file");
    ASSERT_EQ(mkfifo(Path("fifo").toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(XmlFile::Read(Path("fifo"), error), nullptr);  // would block forever if opened
    EXPECT_EQ(error.toStdString(), "This is not a regular file");
}

TEST_F(XmlFileOnDisk, ReadRefusesAHugeFileWithoutReadingIt) {
    QFile huge(Path("huge.hvp"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(XmlFile::kMaxFileBytes + 1));  // sparse: costs no disk
    huge.close();
    QString error;
    EXPECT_EQ(XmlFile::Read(Path("huge.hvp"), error), nullptr);
    EXPECT_EQ(error.toStdString(), "The file is too large (512 MB; at most 512 MB can be read)");
}

TEST_F(XmlFileOnDisk, ReadReportsAFileThatCannotBeOpened) {
    // Even root may not read this one; elsewhere a file without permissions does.
    QString path = QStringLiteral("/proc/sys/vm/drop_caches");
    if (geteuid() != 0) {
        path = Path("secret.hvp");
        WriteAll(path, "<project/>");
        QFile::setPermissions(path, QFileDevice::Permissions());
    }
    if (!QFile::exists(path)) {
        GTEST_SKIP() << "no file that this user cannot read";
    }
    QString error;
    EXPECT_EQ(XmlFile::Read(path, error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(XmlFileOnDisk, ReadPointsAtTheLineInTheFile) {
    WriteAll(Path("bad.hvp"), "<project>\r\n  <task name=\"a\">\r\n  </tusk>\r\n</project>");
    QString error;
    EXPECT_EQ(XmlFile::Read(Path("bad.hvp"), error), nullptr);
    EXPECT_EQ(error.toStdString(), "Start-end tags mismatch at line 3, column 5");
}

// ---- Saving: all or nothing ----

pugi::xml_document& SmallProject() {
    static pugi::xml_document document;
    if (!document.first_child()) {
        document.append_child("project").append_attribute("name") = "New";
    }
    return document;
}

class FailedSave : public XmlFileOnDisk {
  protected:
    void ExpectFailureLeavesNoTrace(const QString& path) {
        QString error;
        EXPECT_FALSE(XmlFile::Save(SmallProject(), path, error));
        EXPECT_FALSE(error.isEmpty());
        const QStringList left = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_TRUE(left.isEmpty() || left == QStringList{"old.hvp"})
            << left.join(", ").toStdString();
    }
};

TEST_F(FailedSave, PathIsAFolder) {
    QDir(dir_.path()).mkdir("folder.hvp");
    ExpectFailureLeavesNoTrace(Path("folder.hvp"));
    EXPECT_TRUE(QFileInfo(Path("folder.hvp")).isDir());
}

TEST_F(FailedSave, FolderIsARegularFile) {
    WriteAll(Path("old.hvp"), "<old/>");
    ExpectFailureLeavesNoTrace(Path("old.hvp") + "/inner.hvp");
    EXPECT_EQ(ReadAll(Path("old.hvp")), "<old/>");
}

TEST_F(FailedSave, FolderVanished) {
    ExpectFailureLeavesNoTrace(Path("gone/project.hvp"));
}

TEST_F(FailedSave, PathIsADeviceThatWouldBeReplaced) {
    QFile::link("/dev/null", Path("null.hvp"));
    QString error;
    EXPECT_FALSE(XmlFile::Save(SmallProject(), Path("null.hvp"), error));
    EXPECT_EQ(error.toStdString(), "This is not a regular file");
}

// A device that takes a few bytes and then refuses, as a disk that fills up does.
class FillingDevice : public QBuffer {
  protected:
    qint64 writeData(const char* data, qint64 size) override {
        if (buffer().size() + size > 100) {
            return -1;
        }
        return QBuffer::writeData(data, size);
    }
};

TEST(XmlFile, WriteStopsAtTheFirstRefusedWrite) {
    FillingDevice device;
    device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    pugi::xml_document document;
    for (int i = 0; i < 50; ++i) {
        document.append_child("project");
    }
    EXPECT_FALSE(XmlFile::Write(document, device));

    QBuffer roomy;
    roomy.open(QIODevice::WriteOnly);
    EXPECT_TRUE(XmlFile::Write(document, roomy));
    EXPECT_EQ(roomy.data().toStdString(), XmlFile::Serialize(document));
}

TEST_F(XmlFileOnDisk, SaveReplacesTheOldFileWhole) {
    WriteAll(Path("p.hvp"), std::string(10000, 'o'));
    QString error;
    ASSERT_TRUE(XmlFile::Save(SmallProject(), Path("p.hvp"), error)) << error.toStdString();
    EXPECT_EQ(ReadAll(Path("p.hvp")), "<?xml version=\"1.0\"?><project name=\"New\"/>");
}

}  // namespace
