#include "model/project_document.h"

#include <gtest/gtest.h>

#include <sstream>

#include "model/xml.h"

namespace {

TEST(ProjectDocument, NewDocumentIsTheTemplate) {
    const auto doc = NewProjectDocument();
    std::ostringstream out;
    doc->save(out, "", pugi::format_raw | pugi::format_no_declaration);
    EXPECT_EQ(out.str(), R"(<?xml version="1.0"?><project name="" completed="false" task_time="" )"
                         R"(subtask_time=""><description/><history/></project>)");

    const pugi::xml_node project = doc->document_element();
    EXPECT_STREQ(project.name(), "project");
    EXPECT_FALSE(project.attribute("filename"));
    EXPECT_FALSE(project.attribute("modified"));
    EXPECT_EQ(XML::ResolvePath(*doc, "%project/").element(), project);
}

TEST(ProjectDocument, NewDocumentsAreIndependent) {
    const auto one = NewProjectDocument();
    const auto two = NewProjectDocument();
    XML::ResolvePath(*one, "%project/@name").setText("One");
    EXPECT_EQ(XML::ResolvePath(*two, "%project/@name").text(), "");
}

TEST(ProjectDocument, CompletedIsTrueInAnyLetterCase) {
    for (const char* yes : {"true", "TRUE", "True", "tRuE"}) {
        EXPECT_TRUE(IsCompletedText(yes)) << yes;
    }
    for (const char* no : {"false", "", "true ", " true", "1", "yes", "tru", "truee"}) {
        EXPECT_FALSE(IsCompletedText(no)) << no;
    }
}

}  // namespace
