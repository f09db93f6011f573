#include "support/doubles.h"

#include <gtest/gtest.h>

namespace {
const char* KindName(ScriptedFileDialog::Kind kind) {
    return kind == ScriptedFileDialog::Kind::Save ? "save" : "open";
}
}  // namespace

void ScriptedPrompter::Expect(const QString& text, MsgButtons buttons, const QString& title,
                              MsgAnswer answer) {
    script_.push_back({{text, buttons, title}, answer});
}

MsgAnswer ScriptedPrompter::Ask(const QString& text, MsgButtons buttons, const QString& title) {
    asked.push_back({text, buttons, title});
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected message box: \"" << text.toStdString() << "\" titled \""
                      << title.toStdString() << '"';
        return buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::Cancel;
    }
    const auto [expected, answer] = script_.front();
    script_.pop_front();
    EXPECT_EQ(text.toStdString(), expected.text.toStdString());
    EXPECT_EQ(int(buttons), int(expected.buttons)) << "buttons of \"" << text.toStdString() << '"';
    EXPECT_EQ(title.toStdString(), expected.title.toStdString());
    return answer;
}

void ScriptedFileDialog::Expect(Kind kind, std::function<bool(FileDialogSetup&)> respond) {
    script_.push_back({kind, std::move(respond)});
}

void ScriptedFileDialog::ExpectSave(const QString& chosen) {
    Expect(Kind::Save, [chosen](FileDialogSetup& setup) {
        setup.FileName = chosen;
        return true;
    });
}

void ScriptedFileDialog::ExpectOpen(const QString& chosen) {
    Expect(Kind::Open, [chosen](FileDialogSetup& setup) {
        setup.FileName = chosen;
        return true;
    });
}

void ScriptedFileDialog::ExpectCancel(Kind kind) {
    Expect(kind, [](FileDialogSetup&) { return false; });
}

bool ScriptedFileDialog::ShowSave(FileDialogSetup& setup) {
    return Show(Kind::Save, setup);
}
bool ScriptedFileDialog::ShowOpen(FileDialogSetup& setup) {
    return Show(Kind::Open, setup);
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

TestPlatform::TestPlatform(const QString& settingsFile) {
    auto ownedPrompter = std::make_unique<ScriptedPrompter>();
    auto ownedDialog = std::make_unique<ScriptedFileDialog>();
    auto ownedClock = std::make_unique<SettableClock>();
    auto ownedRandom = std::make_unique<FixedRandom>();
    auto ownedMenus = std::make_unique<RecordingMenuPopper>();
    auto ownedTray = std::make_unique<FakeTray>();
    auto ownedWeb = std::make_unique<RecordingWebOpener>();
    auto ownedSettings = std::make_unique<SettingsStore>(settingsFile);
    prompter = ownedPrompter.get();
    fileDialog = ownedDialog.get();
    clock = ownedClock.get();
    random = ownedRandom.get();
    menus = ownedMenus.get();
    tray = ownedTray.get();
    web = ownedWeb.get();
    settings = ownedSettings.get();
    platform_.prompter = std::move(ownedPrompter);
    platform_.fileDialog = std::move(ownedDialog);
    platform_.clock = std::move(ownedClock);
    platform_.random = std::move(ownedRandom);
    platform_.menus = std::move(ownedMenus);
    platform_.tray = std::move(ownedTray);
    platform_.web = std::move(ownedWeb);
    platform_.settings = std::move(ownedSettings);
    auto ownedQuestions = std::make_unique<ScriptedQuestions>();
    auto ownedIdle = std::make_unique<SettableIdle>();
    questions = ownedQuestions.get();
    idle = ownedIdle.get();
    platform_.questions = std::move(ownedQuestions);
    platform_.idle = std::move(ownedIdle);
}

Platform TestPlatform::Take() {
    return std::move(platform_);
}
