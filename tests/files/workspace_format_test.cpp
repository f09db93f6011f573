#include "files/workspace_format.h"

#include <gtest/gtest.h>

namespace {

using Fields = std::vector<std::string>;

TEST(WorkspaceFormat, WritesOneQuotedRecordPerProjectWithCrLf) {
    const WorkspaceText text =
        WorkspaceRecords({"/home/ann/a.hvp", "/home/ann/Büro/b c.hvp", "/tmp/x,y.hvp"});
    EXPECT_FALSE(text.unwritable);
    EXPECT_EQ(text.bytes,
              "\"/home/ann/a.hvp\"\r\n\"/home/ann/Büro/b c.hvp\"\r\n\"/tmp/x,y.hvp\"\r\n");
    EXPECT_EQ(WorkspaceRecords({}).bytes, "");
}

TEST(WorkspaceFormat, RefusesPathsARecordCannotHold) {
    for (const char* bad : {"/tmp/say \"hi\".hvp", "/tmp/two\nlines.hvp", "/tmp/cr\r.hvp"}) {
        const WorkspaceText text = WorkspaceRecords({"/tmp/fine.hvp", bad});
        ASSERT_TRUE(text.unwritable) << bad;
        EXPECT_EQ(*text.unwritable, bad);
        EXPECT_EQ(text.bytes, "");
    }
}

TEST(WorkspaceFormat, WhatItWritesReadsBack) {
    const Fields paths{"/a.hvp", "/home/ann/Büro/b c.hvp", "/tmp/x,y.hvp", "  /lead.hvp"};
    EXPECT_EQ(ReadWorkspaceFields(WorkspaceRecords(paths).bytes), paths);
}

TEST(WorkspaceFormat, ReadsFieldsByTheirRules) {
    const struct {
        const char* bytes;
        Fields fields;
    } cases[] = {
        {"", {}},
        {"\"/a.hvp\"", {"/a.hvp"}},                              // no final line end
        {"\"/a.hvp\"\n\"/b.hvp\"\n", {"/a.hvp", "/b.hvp"}},     // bare LF
        {"\"/a.hvp\"\r\"/b.hvp\"\r", {"/a.hvp", "/b.hvp"}},     // bare CR
        {"   \"/a.hvp\"  junk\r\n", {"/a.hvp"}},                // rest of line skipped
        {"\"/a.hvp\" x,\"/b.hvp\"\r\n", {"/a.hvp", "/b.hvp"}},  // up to a comma
        {"/plain.hvp\r\n", {"/plain.hvp"}},                     // unquoted
        {"/a.hvp,/b.hvp  \r\n", {"/a.hvp", "/b.hvp"}},          // comma, trailing blanks
        {"\r\n\r\n\"/a.hvp\"\r\n\r\n", {"/a.hvp"}},             // blank lines name nothing
        {"\"/unclosed.hvp", {"/unclosed.hvp"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadWorkspaceFields(c.bytes), c.fields) << c.bytes;
    }
}

}  // namespace
