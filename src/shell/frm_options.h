#pragma once
// The options dialog: what the tree captions show, the workspace's automatic saving and
// loading, and the tray icon. Nothing outside the dialog changes until OK.

#include <QDialog>

#include <functional>

#include "platform/settings_store.h"
#include "shell/settings.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QLabel;
class QRadioButton;
class QSpinBox;
class QVBoxLayout;

// What OK asks of the dialog's owner, after the settings are written, in this order.
struct OptionsOwner {
    std::function<void(const DisplayFlags&)> SetDisplayFlags;
    std::function<void()> UpdateAllNodes;
    std::function<void(bool place)> PlaceTrayIcon;  // true: place the icon; false: remove it
    // Whether the desktop tells how long keyboard and mouse have been idle.
    std::function<bool()> IdleTimeAvailable;
};

class frmOptions : public QDialog {
    Q_OBJECT
  public:
    // `shown` is what the tree shows now (the owner's flags, not the stored ones).
    frmOptions(SettingsStore& settings, const DisplayFlags& shown, OptionsOwner owner,
               QWidget* parent = nullptr);

    // The dialog's working state while it is open.
    struct Working {
        bool timeShown = false;
        bool totalTime = false;
        bool seconds = false;
        bool autoSave = false;
        bool autoLoad = false;
        bool tray = false;
    };
    const Working& working() const { return working_; }

    QGroupBox* Frame1 = nullptr;
    QRadioButton* tt_none = nullptr;
    QRadioButton* tt_tasktime = nullptr;
    QRadioButton* tt_totaltime = nullptr;
    QGroupBox* Frame2 = nullptr;
    QRadioButton* tt_hmm = nullptr;
    QRadioButton* tt_hmmss = nullptr;
    QGroupBox* Frame3 = nullptr;
    QCheckBox* chkAutoSaveWS = nullptr;
    QCheckBox* chkAutoLoadWS = nullptr;
    QCheckBox* chkTrayIcon = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* Command1 = nullptr;  // "Cancel"
    QLabel* lblIdleMinutes = nullptr;
    QSpinBox* spnIdleMinutes = nullptr;  // "IdleMinutes", 0 for never
    // The right column's rows under the workspace frame; a further option goes here.
    QVBoxLayout* optionRows = nullptr;

    void cmdOK_Click();

  private:
    void CreateControls();
    void SetTabOrder();
    void ConnectClickRules();
    void Form_Load(const DisplayFlags& shown);
    void CreateIdleMinutes();

    SettingsStore& settings_;
    OptionsOwner owner_;
    Working working_;
};
