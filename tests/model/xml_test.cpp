// Node paths: what each step finds, creates or refuses.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "model/project_document.h"
#include "model/xml.h"

using XML::ResolvePath;

namespace {

std::string Serialize(const pugi::xml_node& node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return out.str();
}

TEST(NodePath, EachStepFindsOrCreatesAsItsPrefixSays) {
    const struct {
        const char* path;
        const char* text;   // what the path yields ("" for none)
        const char* after;  // the document afterwards
    } cases[] = {
        {"%description", "d", "<p n=\"P\"><description>d</description><task n=\"A\"/></p>"},
        {"%history", "", "<p n=\"P\"><description>d</description><task n=\"A\"/><history/></p>"},
        {"!task/@n", "",
         "<p n=\"P\"><description>d</description><task n=\"A\"/><task n=\"\"/></p>"},
        {"@n", "P", "<p n=\"P\"><description>d</description><task n=\"A\"/></p>"},
        {"@x", "", "<p n=\"P\" x=\"\"><description>d</description><task n=\"A\"/></p>"},
        {"^x", "", "<p n=\"P\"><description>d</description><task n=\"A\"/></p>"},
        {"^N", "", "<p n=\"P\"><description>d</description><task n=\"A\"/></p>"},
        {"*task/^n", "A", "<p n=\"P\"><description>d</description><task n=\"A\"/></p>"},
        {"*none/@n", "", "<p n=\"P\"><description>d</description><task n=\"A\"/></p>"},
        {"task/", "", "<p n=\"P\"><description>d</description><task n=\"A\"/></p>"},
    };
    for (const auto& c : cases) {
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(R"(<p n="P"><description>d</description><task n="A"/></p>)"));
        EXPECT_EQ(ResolvePath(doc.document_element(), c.path).text(), c.text) << c.path;
        EXPECT_EQ(Serialize(doc), c.after) << c.path;
    }
}

TEST(NodePath, MalformedPathsAndDocumentLevelCreationThrow) {
    pugi::xml_document doc;
    doc.load_string("<p n=\"P\"/>");
    for (const char* bad : {"%d//b", "@", "%1x", "@n/@m"}) {
        EXPECT_THROW(ResolvePath(doc.document_element(), bad), std::invalid_argument) << bad;
    }
    EXPECT_THROW(ResolvePath(doc, "%other"), std::invalid_argument);
    EXPECT_EQ(XML::NodeText(ResolvePath(doc, "*q/@n"), "none"), "none");
    EXPECT_EQ(XML::NodeText(ResolvePath(doc, "p/@n"), "none"), "P");
}

TEST(ProjectDocument, CompletedIsTrueInAnyLetterCaseOnly) {
    for (const char* yes : {"true", "TRUE", "True"}) {
        EXPECT_TRUE(IsCompletedText(yes)) << yes;
    }
    for (const char* no : {"", "false", "1", "true ", "yes"}) {
        EXPECT_FALSE(IsCompletedText(no)) << no;
    }
}

}  // namespace
