#include "shell/frm_options.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "shell/fit_captions.h"
#include "shell/twips.h"

namespace {

template <typename Control>
Control* Place(Control* control, const char* name, const TwipsRect& twips) {
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(TwipsScale::Of(control).ToPixels(twips));
    return control;
}

}  // namespace

frmOptions::frmOptions(SettingsStore& settings, const DisplayFlags& shown, OptionsOwner owner,
                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      settings_(settings),
      owner_(std::move(owner)) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setFixedSize(TwipsScale::Of(this).ToPixels(5220, 2520));  // a row below for idle time
    CreateControls();
    CreateIdleMinutes();
    SetTabOrder();
    ConnectClickRules();
    Form_Load(shown);
}

void frmOptions::CreateControls() {
    Frame1 = Place(new QGroupBox(QStringLiteral("Tree Time"), this), "Frame1", {0, 0, 2535, 1095});
    tt_none = Place(new QRadioButton(QStringLiteral("No Time in tree"), Frame1), "tt_none",
                    {120, 240, 1815, 255});
    tt_tasktime = Place(new QRadioButton(QStringLiteral("Task time only"), Frame1), "tt_tasktime",
                        {120, 480, 1575, 255});
    tt_totaltime = Place(new QRadioButton(QStringLiteral("Task Time + Sub Task Time"), Frame1),
                         "tt_totaltime", {120, 720, 2340, 255});
    Frame2 = Place(new QGroupBox(QStringLiteral("Tree Time Format"), this), "Frame2",
                   {0, 1200, 2520, 780});
    tt_hmm =
        Place(new QRadioButton(QStringLiteral("(h:mm)"), Frame2), "tt_hmm", {120, 240, 1095, 255});
    tt_hmmss = Place(new QRadioButton(QStringLiteral("(h:mm:ss)"), Frame2), "tt_hmmss",
                     {120, 480, 1095, 255});
    Frame3 =
        Place(new QGroupBox(QStringLiteral("Workspace"), this), "Frame3", {2640, 0, 2535, 1095});
    chkAutoSaveWS = Place(new QCheckBox(QStringLiteral("No Prompt Save Workspace on Exit"), Frame3),
                          "chkAutoSaveWS", {120, 240, 2295, 375});
    chkAutoLoadWS = Place(new QCheckBox(QStringLiteral("Auto Load Last Workspace"), Frame3),
                          "chkAutoLoadWS", {120, 720, 2295, 255});
    chkTrayIcon = Place(new QCheckBox(QStringLiteral("Place Icon in Tray"), this), "chkTrayIcon",
                        {2760, 1200, 2535, 255});
    cmdOK = Place(new QPushButton(QStringLiteral("OK"), this), "cmdOK", {2640, 1560, 1215, 375});
    Command1 =
        Place(new QPushButton(QStringLiteral("Cancel"), this), "Command1", {3960, 1560, 1215, 375});

    FitCaptions(this, {tt_none, tt_tasktime, tt_totaltime, tt_hmm, tt_hmmss, chkAutoSaveWS,
                       chkAutoLoadWS, chkTrayIcon, cmdOK, Command1});
    for (QGroupBox* frame : {Frame1, Frame2, Frame3}) {
        frame->setFocusPolicy(Qt::NoFocus);
    }
    cmdOK->setDefault(true);  // Enter
    // Escape and the close box reject the dialog, as Cancel does.
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
}

// One row under the other controls, which stay where they were.
void frmOptions::CreateIdleMinutes() {
    lblIdleMinutes = Place(new QLabel(QStringLiteral("Ask about idle time after (minutes):"), this),
                           "lblIdleMinutes", {120, 2085, 3255, 255});
    spnIdleMinutes = Place(new QSpinBox(this), "spnIdleMinutes", {3480, 2040, 1695, 330});
    spnIdleMinutes->setRange(0, kMaxIdleMinutes);
    spnIdleMinutes->setSpecialValueText(QStringLiteral("Never"));
    spnIdleMinutes->setValue(ReadIdleMinutes(settings_));
    lblIdleMinutes->setBuddy(spnIdleMinutes);
    const bool available = !owner_.IdleTimeAvailable || owner_.IdleTimeAvailable();
    spnIdleMinutes->setEnabled(available);
    lblIdleMinutes->setEnabled(available);
    spnIdleMinutes->setToolTip(
        available ? QStringLiteral("Minutes without keyboard or mouse input after which the "
                                   "timed time is asked about")
                  : QStringLiteral("This desktop does not tell how long the keyboard and mouse "
                                   "have been idle (neither the X11 screen-saver extension nor "
                                   "the freedesktop screen saver answers)"));
    setTabOrder(chkTrayIcon, spnIdleMinutes);
}

void frmOptions::SetTabOrder() {
    QWidget* const order[] = {tt_none,       tt_tasktime, tt_totaltime, tt_hmm,        tt_hmmss,
                              chkAutoLoadWS, cmdOK,       Command1,     chkAutoSaveWS, chkTrayIcon};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
}

// The rules run on every change of a control, also those the loading step makes.
void frmOptions::ConnectClickRules() {
    auto onSelect = [this](QRadioButton* option, auto rule) {
        connect(option, &QRadioButton::toggled, this, [rule](bool selected) {
            if (selected) {
                rule();
            }
        });
    };
    onSelect(tt_none, [this] { working_.timeShown = false; });
    onSelect(tt_tasktime, [this] {
        working_.timeShown = true;
        working_.totalTime = false;
    });
    onSelect(tt_totaltime, [this] {
        working_.timeShown = true;
        working_.totalTime = true;
    });
    onSelect(tt_hmm, [this] { working_.seconds = false; });
    onSelect(tt_hmmss, [this] { working_.seconds = true; });
    // Only the checked state counts as checked; a greyed box is unchecked.
    auto onCheck = [this](QCheckBox* box, bool Working::*flag) {
        connect(box, &QCheckBox::stateChanged, this,
                [this, flag](int state) { working_.*flag = state == Qt::Checked; });
    };
    onCheck(chkAutoSaveWS, &Working::autoSave);
    onCheck(chkAutoLoadWS, &Working::autoLoad);
    onCheck(chkTrayIcon, &Working::tray);
}

void frmOptions::Form_Load(const DisplayFlags& shown) {
    working_.timeShown = shown.showTime;
    working_.totalTime = shown.showTotalTime;
    working_.seconds = shown.showSec;
    if (!working_.timeShown) {
        tt_none->setChecked(true);
    } else if (working_.totalTime) {
        tt_totaltime->setChecked(true);
    } else {
        tt_tasktime->setChecked(true);
    }
    (working_.seconds ? tt_hmmss : tt_hmm)->setChecked(true);
    working_.autoSave = ReadBoolSetting(settings_, SettingKey::AutoSaveWS, true);
    working_.autoLoad = ReadBoolSetting(settings_, SettingKey::AutoLoadWS, true);
    working_.tray = ReadBoolSetting(settings_, SettingKey::TrayIcon, true);
    chkTrayIcon->setChecked(working_.tray);
    chkAutoSaveWS->setChecked(working_.autoSave);
    chkAutoLoadWS->setChecked(working_.autoLoad);
}

void frmOptions::cmdOK_Click() {
    WriteBoolSetting(settings_, SettingKey::TT_ShowTime, working_.timeShown);
    WriteBoolSetting(settings_, SettingKey::TT_ShowTotalTime, working_.totalTime);
    WriteBoolSetting(settings_, SettingKey::TT_ShowSec, working_.seconds);
    WriteBoolSetting(settings_, SettingKey::AutoSaveWS, working_.autoSave);
    WriteBoolSetting(settings_, SettingKey::AutoLoadWS, working_.autoLoad);
    WriteBoolSetting(settings_, SettingKey::TrayIcon, working_.tray);
    if (spnIdleMinutes->isEnabled()) {
        WriteIdleMinutes(settings_, spnIdleMinutes->value());
    }
    settings_.Flush();
    if (owner_.SetDisplayFlags) {
        owner_.SetDisplayFlags({working_.timeShown, working_.totalTime, working_.seconds});
    }
    if (owner_.UpdateAllNodes) {
        owner_.UpdateAllNodes();
    }
    // Placed again even when unchanged: the icon may have gone with a restarted panel.
    if (owner_.PlaceTrayIcon) {
        owner_.PlaceTrayIcon(working_.tray);
    }
    accept();
}
