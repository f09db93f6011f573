#include "model/xml.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

using XML::Node;
using XML::NodeText;
using XML::ResolvePath;

namespace {

std::string Serialize(const pugi::xml_node& node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return out.str();
}

class ResolvePathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(doc.load_string(
            R"(<project name="P" completed="false"><description>d</description><history/>)"
            R"(<task name="A"/><task name="B"><task name="B1"/></task></project>)"));
        project = doc.document_element();
    }
    pugi::xml_document doc;
    pugi::xml_node project;
};

TEST_F(ResolvePathTest, EmptyPathReturnsTheNodeItself) {
    EXPECT_EQ(ResolvePath(project, ""), Node(project));
    EXPECT_EQ(ResolvePath(doc, ""), Node(doc));
    EXPECT_FALSE(ResolvePath(Node(), ""));
    EXPECT_FALSE(ResolvePath(Node(), "@name"));
}

TEST_F(ResolvePathTest, PercentFindsOrAppendsOneElement) {
    const Node description = ResolvePath(project, "%description");
    EXPECT_EQ(description.element(), project.child("description"));
    EXPECT_EQ(description.text(), "d");

    pugi::xml_node a = project.find_child_by_attribute("task", "name", "A");
    const Node first = ResolvePath(a, "%description");
    const Node second = ResolvePath(a, "%description");
    EXPECT_EQ(first, second);
    EXPECT_EQ(Serialize(a), R"(<task name="A"><description/></task>)");
}

TEST_F(ResolvePathTest, BangAlwaysAppendsANewElement) {
    pugi::xml_node a = project.find_child_by_attribute("task", "name", "A");
    const Node one = ResolvePath(a, "!task");
    const Node two = ResolvePath(a, "!task");
    EXPECT_NE(one, two);
    EXPECT_EQ(one.element(), a.first_child());
    EXPECT_EQ(two.element(), a.last_child());
    EXPECT_EQ(Serialize(a), R"(<task name="A"><task/><task/></task>)");
}

TEST_F(ResolvePathTest, AtCreatesAMissingAttributeAfterTheOthersCaretDoesNot) {
    EXPECT_FALSE(ResolvePath(project, "^task_time"));
    EXPECT_FALSE(project.attribute("task_time"));

    const Node created = ResolvePath(project, "@task_time");
    ASSERT_TRUE(created);
    EXPECT_EQ(created.attribute(), project.last_attribute());
    EXPECT_EQ(created.text(), "");
    EXPECT_EQ(ResolvePath(project, "^task_time"), created);
    EXPECT_EQ(ResolvePath(project, "@name").text(), "P");
    EXPECT_EQ(Serialize(project).substr(0, 49),
              R"(<project name="P" completed="false" task_time="">)");
}

TEST_F(ResolvePathTest, AttributeNamesAreCaseSensitive) {
    EXPECT_FALSE(ResolvePath(project, "^Name"));
    EXPECT_EQ(ResolvePath(project, "@Name").text(), "");
    EXPECT_EQ(ResolvePath(project, "@name").text(), "P");
}

TEST_F(ResolvePathTest, StarAndUnprefixedStepsOnlyLookUp) {
    EXPECT_EQ(ResolvePath(doc, "*project").element(), project);
    EXPECT_EQ(ResolvePath(doc, "project").element(), project);
    const Node filename = ResolvePath(doc, "project/@filename");  // "@" creates it
    EXPECT_EQ(filename.attribute(), project.attribute("filename"));
    EXPECT_EQ(ResolvePath(project, "task").element().attribute("name").value(), std::string("A"));
    EXPECT_FALSE(ResolvePath(project, "*nothing"));
    EXPECT_FALSE(ResolvePath(project, "nothing"));
}

TEST_F(ResolvePathTest, AFailedLookupEndsTheWalkAndCreatesNothing) {
    const std::string before = Serialize(doc);
    EXPECT_FALSE(ResolvePath(project, "*nothing/@name"));
    EXPECT_FALSE(ResolvePath(project, "nothing/%description/!task"));
    EXPECT_FALSE(ResolvePath(project, "^nothing"));
    EXPECT_EQ(Serialize(doc), before);
}

TEST_F(ResolvePathTest, MultiStepPathsAndTrailingSlash) {
    EXPECT_EQ(ResolvePath(doc, "%project/"), Node(project));
    EXPECT_EQ(ResolvePath(doc, "%project/@name").text(), "P");
    EXPECT_EQ(ResolvePath(doc, "*project/@name").text(), "P");
    EXPECT_EQ(ResolvePath(project, "%description/").text(), "d");

    pugi::xml_document other;
    ASSERT_TRUE(other.load_string("<Project name='x'/>"));
    const std::string before = Serialize(other);
    EXPECT_FALSE(ResolvePath(other, "*project/@name"));
    EXPECT_EQ(Serialize(other), before);
}

TEST_F(ResolvePathTest, LookupsIgnoreNonElementNodesOfTheSameName) {
    pugi::xml_document mixed;
    ASSERT_TRUE(mixed.load_string("<project><?task x?><task name='real'/></project>",
                                  pugi::parse_default | pugi::parse_pi));
    EXPECT_EQ(ResolvePath(mixed, "*project/*task/@name").text(), "real");
}

TEST_F(ResolvePathTest, MalformedPathsAreProgrammingErrors) {
    const std::string before = Serialize(doc);
    for (const char* bad : {"/", "/@name", "%description//@x", "@", "%", "!", "^", "*", "!bad name",
                            "@1st", "%a<b"}) {
        EXPECT_THROW(ResolvePath(project, bad), std::invalid_argument) << bad;
    }
    EXPECT_THROW(ResolvePath(project, "@name/@x"), std::invalid_argument);
    EXPECT_EQ(Serialize(doc), before);
}

TEST_F(ResolvePathTest, NothingIsEverCreatedAtDocumentLevel) {
    EXPECT_THROW(ResolvePath(doc, "!task"), std::invalid_argument);
    EXPECT_THROW(ResolvePath(doc, "%other"), std::invalid_argument);
    EXPECT_THROW(ResolvePath(doc, "@name"), std::invalid_argument);
    EXPECT_FALSE(ResolvePath(doc, "^name"));

    pugi::xml_document empty;
    EXPECT_THROW(ResolvePath(empty, "%project"), std::invalid_argument);
    EXPECT_FALSE(empty.first_child());
    EXPECT_EQ(Serialize(doc).find("<other"), std::string::npos);
}

TEST(XmlNode, HandlesOfEveryKind) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<a x='1'>t<b>u</b><![CDATA[v]]></a>"));
    const pugi::xml_node a = doc.document_element();

    EXPECT_FALSE(Node());
    EXPECT_FALSE(Node(pugi::xml_node()));
    EXPECT_FALSE(Node(pugi::xml_attribute()));
    EXPECT_FALSE(Node(a.first_child()));  // a text node is not something a path yields

    const Node element(a);
    EXPECT_EQ(element.element(), a);
    EXPECT_FALSE(element.attribute());
    EXPECT_EQ(element.text(), "tuv");

    const Node attribute(a.attribute("x"));
    EXPECT_EQ(attribute.attribute(), a.attribute("x"));
    EXPECT_FALSE(attribute.element());
    EXPECT_EQ(attribute.text(), "1");

    const Node document(doc);
    EXPECT_TRUE(document);
    EXPECT_TRUE(document.isDocument());
    EXPECT_FALSE(document.element());
    EXPECT_FALSE(document.attribute());

    Node().setText("ignored");
    document.setText("ignored");
    EXPECT_EQ(Node().text(), "");
    EXPECT_EQ(Serialize(doc), "<a x=\"1\">t<b>u</b><![CDATA[v]]></a>");
}

TEST(XmlNode, SetTextReplacesContent) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<a x='1'><b>u</b>t</a>"));
    const Node a(doc.document_element());
    a.setText("new <text> & \"quotes\"");
    EXPECT_EQ(a.text(), "new <text> & \"quotes\"");
    EXPECT_EQ(Serialize(doc), "<a x=\"1\">new &lt;text&gt; &amp; \"quotes\"</a>");
    a.setText("");
    EXPECT_EQ(Serialize(doc), "<a x=\"1\"/>");

    const Node x(doc.document_element().attribute("x"));
    x.setText("two");
    EXPECT_EQ(doc.document_element().attribute("x").value(), std::string("two"));
}

TEST(XmlNode, TextOfADeeplyNestedElementDoesNotRecurse) {
    std::string text;
    constexpr int kDepth = 200000;
    for (int i = 0; i < kDepth; ++i) {
        text += "<a>";
    }
    text += "x";
    for (int i = 0; i < kDepth; ++i) {
        text += "</a>";
    }
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(text.c_str()));
    EXPECT_EQ(Node(doc.document_element()).text(), "x");
}

TEST(NodeTextTest, FallsBackOnlyForNone) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<a x=''/>"));
    EXPECT_EQ(NodeText(Node(), "fallback"), "fallback");
    EXPECT_EQ(NodeText(ResolvePath(doc, "*a/^x"), "fallback"), "");
    EXPECT_EQ(NodeText(ResolvePath(doc, "*a/^y"), "fallback"), "fallback");
    EXPECT_EQ(NodeText(ResolvePath(doc, "*b/@y"), ""), "");
}

}  // namespace
