#pragma once
// Scripted stand-ins for the platform seams. Each records what the window asked of it;
// the prompter and the file dialog fail the test on any call that was not scripted.

#include <QMenu>
#include <QStringList>

#include <cmath>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "model/ids.h"
#include "platform/platform.h"

struct Prompt {
    QString text;
    MsgButtons buttons;
    QString title;
};

class ScriptedPrompter : public Prompter {
  public:
    // The next prompt must have this text, buttons and title; it is answered with `answer`.
    void Expect(const QString& text, MsgButtons buttons, const QString& title, MsgAnswer answer) {
        script_.push_back({{text, buttons, title}, answer, false});
    }
    // The same for a text that carries times of day: only its start is compared.
    void ExpectStartingWith(const QString& start, MsgButtons buttons, const QString& title,
                            MsgAnswer answer) {
        script_.push_back({{start, buttons, title}, answer, true});
    }
    // A notice of the window's own, closed with OK.
    void ExpectNotice(const QString& text) {
        Expect(text, MsgButtons::OK, QStringLiteral("Horavel"), MsgAnswer::OK);
    }
    MsgAnswer Ask(const QString& text, MsgButtons buttons, const QString& title) override;
    bool allAnswered() const { return script_.empty(); }

    std::vector<Prompt> asked;

  private:
    struct Scripted {
        Prompt prompt;
        MsgAnswer answer;
        bool startOnly;
    };
    std::deque<Scripted> script_;
};

class ScriptedFileDialog : public FileDialog {
  public:
    enum class Kind { Save, Open };
    // The next dialog shown must be of this kind; `respond` sees the set-up (recorded in
    // `shown` as it was) and returns true after setting FileName, or false to cancel.
    void Expect(Kind kind, std::function<bool(FileDialogSetup&)> respond) {
        script_.push_back({kind, std::move(respond)});
    }
    // Shorthands: confirm the given name, or cancel.
    void ExpectSave(const QString& chosen);
    void ExpectOpen(const QString& chosen);
    void ExpectCancel(Kind kind) {
        Expect(kind, [](FileDialogSetup&) { return false; });
    }
    bool ShowSave(FileDialogSetup& setup) override { return Show(Kind::Save, setup); }
    bool ShowOpen(FileDialogSetup& setup) override { return Show(Kind::Open, setup); }
    bool allAnswered() const { return script_.empty(); }

    std::vector<std::pair<Kind, FileDialogSetup>> shown;

  private:
    bool Show(Kind kind, FileDialogSetup& setup);
    std::deque<std::pair<Kind, std::function<bool(FileDialogSetup&)>>> script_;
};

// The time of day `now` and a monotonic reading that follows it, as on a computer whose
// clock nobody sets: setting `now` or Advance moves both, StepWall the time of day alone.
class SettableClock : public Clock {
  public:
    double SecondsSinceMidnight() override { return now; }
    double MonotonicSeconds() override { return now + ahead_; }
    void StepWall(double seconds) { Set(now + seconds, ahead_ - seconds); }
    void Advance(double seconds) { Set(now + seconds, ahead_); }
    double now = 36000;  // 10:00:00

  private:
    void Set(double wall, double ahead) {
        const double days = std::floor(wall / 86400);
        now = wall - days * 86400;
        ahead_ = ahead + days * 86400;
    }
    double ahead_ = 0;
};

// Questions asked without blocking, left open until the test answers them.
class ScriptedQuestions : public Questioner {
  public:
    struct Question {
        QString text;
        QStringList buttons;
        int defaultButton;
        std::function<void(int)> answered;
    };
    void Ask(const QString& text, const QStringList& buttons, int defaultButton,
             std::function<void(int)> answered) override {
        open.push_back({text, buttons, defaultButton, std::move(answered)});
    }
    // Presses the button of that caption on the oldest open question.
    void Answer(const QString& button);
    std::deque<Question> open;
};

class SettableIdle : public IdleSource {
  public:
    std::optional<double> IdleSeconds() override { return seconds; }
    std::optional<double> seconds = 0.0;
};

// While it lives, new ids count up from IdOfNumber(1), so that a test can name them.
class CountingIds {
  public:
    CountingIds();
    ~CountingIds();
    CountingIds(const CountingIds&) = delete;
    CountingIds& operator=(const CountingIds&) = delete;
    unsigned long long given = 0;

  private:
    IdSource before_;
};

class FixedRandom : public RandomSource {
  public:
    uint8_t NextByte() override { return bytes.empty() ? 0 : bytes[next_++ % bytes.size()]; }
    std::vector<uint8_t> bytes{0x12, 0x34};

  private:
    size_t next_ = 0;
};

// Records each pop-up as it was shown; `choose`, when set, picks an entry to trigger.
class RecordingMenuPopper : public MenuPopper {
  public:
    struct Shown {
        QMenu* menu;
        QPoint position;
        QStringList visibleEntries;  // captions of the visible entries, separators as "-"
        QStringList checkedEntries;
    };
    void Popup(QMenu* menu, QPoint globalPosition) override;
    std::vector<Shown> shown;
    std::function<QAction*(QMenu*)> choose;
};

class FakeTray : public Tray {
  public:
    void setToolTip(const QString& text) override { toolTip = text; }
    void setIcon(const QIcon& icon) override { this->icon = icon; }
    void Place() override {
        placed = true;
        ++placeCalls;
    }
    void Remove() override {
        placed = false;
        ++removeCalls;
    }
    bool isPlaced() const override { return placed; }
    bool isAvailable() const override { return available; }
    void WatchForTray(bool on) override { watching = on; }
    void Send(int message) { emit MouseEvent(message); }
    // A tray comes up; only a watching owner hears of it.
    void ComeUp() {
        available = true;
        if (watching) {
            emit Appeared();
        }
    }

    QString toolTip;
    QIcon icon;
    bool placed = false;
    bool available = true;
    bool watching = false;
    int placeCalls = 0;
    int removeCalls = 0;
};

class RecordingWebOpener : public WebOpener {
  public:
    void Open(const QUrl& address) override { opened.push_back(address); }
    std::vector<QUrl> opened;
};

// Each print dialog takes the next answer: a PDF file to print into, or empty to cancel;
// one that was not scripted fails the test.
class ScriptedPrintDialog : public PrintDialog {
  public:
    bool Ask(QPrinter& printer, QWidget* parent) override;
    bool allAnswered() const { return answers.empty(); }
    std::deque<QString> answers;
};

// Every seam scripted, with raw pointers kept for the test to drive and inspect.
struct TestPlatform {
    explicit TestPlatform(const QString& settingsFile);
    Platform Take();  // hands the seams over; the raw pointers stay valid while the window lives

    ScriptedPrompter* prompter;
    ScriptedFileDialog* fileDialog;
    SettableClock* clock;
    FixedRandom* random;
    RecordingMenuPopper* menus;
    FakeTray* tray;
    RecordingWebOpener* web;
    SettingsStore* settings;
    ScriptedQuestions* questions;
    SettableIdle* idle;
    ScriptedPrintDialog* printDialog;

  private:
    Platform platform_;
};
