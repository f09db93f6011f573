// Whatever a person types or pastes as a name or description comes back out of the pane,
// the element and the written document exactly as it went in.
#include <gtest/gtest.h>

#include <sstream>

#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

QStringList TextsAPersonMightEnter() {
    QString long_;
    while (long_.size() < 10000) {
        long_ += QString::fromUtf8("<a href=\"x\">&amp;</a> 'é' 😀 שלום ");
    }
    long_.truncate(10000);
    if (long_.back().isHighSurrogate()) {
        long_.chop(1);  // a lone surrogate half is nothing anyone can type
    }
    return {
        QString::fromUtf8(R"(<b>Tom & Jerry's "best"</b>)"),
        QString::fromUtf8("&amp; &lt; &#65; ]]> <!-- no comment --> <?pi?>"),
        QString::fromUtf8("⏱️ timing 👩‍💻 🇵🇹 e\u0301"),
        QString::fromUtf8("مشروع الموقع"),
        QString::fromUtf8("Design עיצוב 2 \u200F!"),
        QString::fromUtf8("  spaced  out  "),
        QString::fromUtf8("non\u00A0breaking and\ttab"),
        long_,
    };
}

QStringList DescriptionsOnly() {
    return {
        QString::fromUtf8("line one\nline two\n\nline four\n"),
        QString::fromUtf8("\n\n"),
        QString::fromUtf8("   "),
        QString::fromUtf8("תיאור\nوصف\n🙂"),
    };
}

class TextRoundTrip : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = AddProject("Site");
        task = AddTask(project, "Design");
        other = AddTask(project, "Other");
    }

    // The task element as it reads back from the project document written out raw.
    std::string Reparsed(std::string_view path) const {
        std::ostringstream written;
        project->document()->save(written, "", pugi::format_raw);
        pugi::xml_document read;
        const auto result = read.load_string(written.str().c_str(),
                                             pugi::parse_default | pugi::parse_ws_pcdata_single);
        EXPECT_TRUE(result) << result.description();
        const pugi::xml_node element = read.document_element().child("task");
        return XML::ResolvePath(element, path).text();
    }

    void Show(TreeNode* node) { window->Tree->setCurrentItem(node); }

    TreeNode* project = nullptr;
    TreeNode* task = nullptr;
    TreeNode* other = nullptr;
};

TEST_F(TextRoundTrip, NamesSurviveThePaneTheElementAndTheFile) {
    for (const QString& name : TextsAPersonMightEnter()) {
        SCOPED_TRACE(name.left(40).toStdString());
        Show(task);
        window->txtName->setText(name);
        EXPECT_EQ(Text(task, "@name"), name.toStdString());

        window->MarkUnmodified(project);
        Show(other);
        Show(task);
        EXPECT_EQ(window->txtName->text(), name);
        EXPECT_EQ(Text(project, "@modified"), "false") << "showing it again rewrote it";
        EXPECT_EQ(Reparsed("@name"), name.toStdString());
    }
}

TEST_F(TextRoundTrip, DescriptionsSurviveThePaneTheElementAndTheFile) {
    for (const QString& description : TextsAPersonMightEnter() + DescriptionsOnly()) {
        SCOPED_TRACE(description.left(40).toStdString());
        Show(task);
        window->txtDescription->setPlainText(description);
        EXPECT_EQ(Text(task, "%description"), description.toStdString());

        window->MarkUnmodified(project);
        Show(other);
        Show(task);
        EXPECT_EQ(window->txtDescription->document()->toRawText().replace(QChar::ParagraphSeparator,
                                                                          '\n'),
                  description);
        EXPECT_EQ(Text(project, "@modified"), "false") << "showing it again rewrote it";
        EXPECT_EQ(Reparsed("%description"), description.toStdString());
    }
}

}  // namespace
