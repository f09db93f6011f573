// The workspace records and the file dialog's set-up, as plain functions.
#include <gtest/gtest.h>

#include "files/project_files.h"
#include "files/workspace_format.h"
#include "platform/qt_file_dialog.h"

namespace {

using Fields = std::vector<std::string>;

TEST(WorkspaceFormat, WritesQuotedCrLfRecordsAndRefusesWhatOneCannotHold) {
    const Fields paths{"/a.hvp", "/home/ann/Büro/b c.hvp", "/tmp/x,y.hvp", "  /lead.hvp"};
    const WorkspaceText text = WorkspaceRecords(paths);
    EXPECT_EQ(text.bytes.substr(0, 10), "\"/a.hvp\"\r\n");
    EXPECT_EQ(ReadWorkspaceFields(text.bytes), paths);
    for (const char* bad : {"/tmp/say \"hi\".hvp", "/tmp/two\nlines.hvp"}) {
        const WorkspaceText refused = WorkspaceRecords({"/tmp/fine.hvp", bad});
        EXPECT_EQ(refused.unwritable.value_or(""), bad);
        EXPECT_EQ(refused.bytes, "");
    }
}

TEST(WorkspaceFormat, ReadsFieldsByTheirRules) {
    const std::pair<const char*, Fields> cases[] = {
        {"\"/a.hvp\"\n\"/b.hvp\"", {"/a.hvp", "/b.hvp"}},
        {"   \"/a.hvp\"  junk\r\n", {"/a.hvp"}},
        {"\"/a.hvp\" x,\"/b.hvp\"\r\n", {"/a.hvp", "/b.hvp"}},
        {"/a.hvp,/b.hvp  \r\n", {"/a.hvp", "/b.hvp"}},
        {"\r\n\r\n\"/a.hvp\"\r\n\r\n", {"/a.hvp"}},
        {"\"/unclosed.hvp", {"/unclosed.hvp"}},
    };
    for (const auto& [bytes, fields] : cases) {
        EXPECT_EQ(ReadWorkspaceFields(bytes), fields) << bytes;
    }
}

TEST(FileDialog, FiltersSuffixesAndSelectionsTakeTheirQtForm) {
    const QString filter = QString::fromLatin1(kProjectFileFilter);
    EXPECT_EQ(QtNameFilters(filter).join('|'),
              "Horavel File (*.hvp)|XML File (*.xml)|All Files (*.*) (*.hvp *.*)");
    EXPECT_EQ(FilterPatterns(filter).join('|'), "*.hvp|*.xml|*.hvp;*.*");
    EXPECT_EQ(DefaultSuffixFor("*.xml", ".hvp"), "xml");
    EXPECT_EQ(DefaultSuffixFor("*.*", ".hvp"), "hvp");
    const QStringList three{"/p/b.hvp", "/p/a.hvp", "/p/c d.hvp"};
    EXPECT_EQ(SelectedPaths(SelectionText(three)), three);
    EXPECT_EQ(SuggestedFileName(R"(a\b/c:d*e?f<g>h|i"j)"), R"(a_b_c_d_e_f_g_h_i"j)");
}

}  // namespace
