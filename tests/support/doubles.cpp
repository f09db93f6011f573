#include "support/doubles.h"

#include <QFileInfo>
#include <QPrinter>

#include <gtest/gtest.h>

namespace {
const char* KindName(ScriptedFileDialog::Kind kind) {
    return kind == ScriptedFileDialog::Kind::Save ? "save" : "open";
}
}  // namespace

MsgAnswer ScriptedPrompter::Ask(const QString& text, MsgButtons buttons, const QString& title) {
    asked.push_back({text, buttons, title});
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected message box: \"" << text.toStdString() << "\" titled \""
                      << title.toStdString() << '"';
        return buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::Cancel;
    }
    const auto [expected, answer, startOnly] = script_.front();
    script_.pop_front();
    EXPECT_EQ((startOnly ? text.left(expected.text.size()) : text).toStdString(),
              expected.text.toStdString());
    EXPECT_EQ(int(buttons), int(expected.buttons)) << "buttons of \"" << text.toStdString() << '"';
    EXPECT_EQ(title.toStdString(), expected.title.toStdString());
    return answer;
}

namespace {
std::function<bool(FileDialogSetup&)> Choosing(const QString& chosen) {
    return [chosen](FileDialogSetup& setup) {
        setup.FileName = chosen;
        return true;
    };
}
}  // namespace

void ScriptedFileDialog::ExpectSave(const QString& chosen) {
    Expect(Kind::Save, Choosing(chosen));
}
void ScriptedFileDialog::ExpectOpen(const QString& chosen) {
    Expect(Kind::Open, Choosing(chosen));
}

bool ScriptedFileDialog::Show(Kind kind, FileDialogSetup& setup) {
    shown.push_back({kind, setup});
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected " << KindName(kind) << " dialog \""
                      << setup.DialogTitle.toStdString() << '"';
        return false;
    }
    auto [expectedKind, respond] = std::move(script_.front());
    script_.pop_front();
    EXPECT_EQ(KindName(kind), std::string(KindName(expectedKind)))
        << "dialog \"" << setup.DialogTitle.toStdString() << '"';
    return respond(setup);
}

void RecordingMenuPopper::Popup(QMenu* menu, QPoint globalPosition) {
    Shown record{menu, globalPosition, {}, {}};
    for (QAction* action : menu->actions()) {
        if (!action->isVisible()) {
            continue;
        }
        record.visibleEntries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (action->isChecked()) {
            record.checkedEntries << action->text();
        }
    }
    shown.push_back(record);
    if (choose) {
        if (QAction* chosen = choose(menu)) {
            chosen->trigger();
        }
    }
}

void ScriptedQuestions::Answer(const QString& button) {
    ASSERT_FALSE(open.empty()) << "no question open for " << button.toStdString();
    const Question question = open.front();
    open.pop_front();
    ASSERT_TRUE(question.buttons.contains(button)) << question.text.toStdString();
    question.answered(int(question.buttons.indexOf(button)));
}

namespace {
// Makes the double, hands it to the platform and keeps a raw pointer for the test.
template <typename Double, typename Seam, typename... Args>
Double* Install(std::unique_ptr<Seam>& slot, Args&&... args) {
    auto owned = std::make_unique<Double>(std::forward<Args>(args)...);
    Double* raw = owned.get();
    slot = std::move(owned);
    return raw;
}
}  // namespace

bool ScriptedPrintDialog::Ask(QPrinter& printer, QWidget* /*parent*/) {
    if (answers.empty()) {
        ADD_FAILURE() << "a print dialog that was not scripted";
        return false;
    }
    const QString file = answers.front();
    answers.pop_front();
    if (file.isEmpty()) {
        return false;
    }
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    return true;
}

// In the body: the pointers are declared before the platform that owns what they point at.
TestPlatform::TestPlatform(const QString& settingsFile) {
    prompter = Install<ScriptedPrompter>(platform_.prompter);
    fileDialog = Install<ScriptedFileDialog>(platform_.fileDialog);
    clock = Install<SettableClock>(platform_.clock);
    random = Install<FixedRandom>(platform_.random);
    menus = Install<RecordingMenuPopper>(platform_.menus);
    tray = Install<FakeTray>(platform_.tray);
    web = Install<RecordingWebOpener>(platform_.web);
    settings = Install<SettingsStore>(platform_.settings, settingsFile);
    questions = Install<ScriptedQuestions>(platform_.questions);
    idle = Install<SettableIdle>(platform_.idle);
    printDialog = Install<ScriptedPrintDialog>(platform_.printDialog);
    platform_.recoveryFolder = QFileInfo(settingsFile).absolutePath() + "/recovery";
}

Platform TestPlatform::Take() {
    return std::move(platform_);
}

CountingIds::CountingIds() : before_(SetIdSource([this] { return IdOfNumber(++given); })) {}

CountingIds::~CountingIds() {
    SetIdSource(std::move(before_));
}
