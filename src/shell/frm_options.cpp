#include "shell/frm_options.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include "shell/twips.h"

namespace {

template <typename Control>
Control* Named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// A titled frame holding its options one under the other.
QGroupBox* Frame(const QString& title, const char* name, std::initializer_list<QWidget*> options) {
    auto* frame = Named(new QGroupBox(title), name);
    auto* column = new QVBoxLayout(frame);
    // As wide as its caption: a click beside a caption would only look like a miss.
    for (QWidget* option : options) {
        column->addWidget(option, 0, Qt::AlignLeft);
    }
    column->addStretch();
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
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
    CreateControls();
    CreateIdleMinutes();
    // Fixed, at the designed size or as much more as the desktop's font and scale need.
    layout()->activate();
    setFixedSize(sizeHint().expandedTo(TwipsScale::Of(this).ToPixels(5220, 2040)));
    // Hidden widgets put off their layouts until shown; place every control now, so that
    // each stands where it will be seen from the start.
    for (QWidget* container : {static_cast<QWidget*>(this), static_cast<QWidget*>(Frame1),
                               static_cast<QWidget*>(Frame2), static_cast<QWidget*>(Frame3)}) {
        container->layout()->invalidate();
        container->layout()->activate();
    }
    SetTabOrder();
    ConnectClickRules();
    Form_Load(shown);
}

void frmOptions::CreateControls() {
    tt_none = Named(new QRadioButton(QStringLiteral("No Time in tree")), "tt_none");
    tt_tasktime = Named(new QRadioButton(QStringLiteral("Task time only")), "tt_tasktime");
    tt_totaltime =
        Named(new QRadioButton(QStringLiteral("Task Time + Sub Task Time")), "tt_totaltime");
    Frame1 = Frame(QStringLiteral("Tree Time"), "Frame1", {tt_none, tt_tasktime, tt_totaltime});
    tt_hmm = Named(new QRadioButton(QStringLiteral("(h:mm)")), "tt_hmm");
    tt_hmmss = Named(new QRadioButton(QStringLiteral("(h:mm:ss)")), "tt_hmmss");
    Frame2 = Frame(QStringLiteral("Tree Time Format"), "Frame2", {tt_hmm, tt_hmmss});
    chkAutoSaveWS =
        Named(new QCheckBox(QStringLiteral("No Prompt Save Workspace on Exit")), "chkAutoSaveWS");
    chkAutoLoadWS =
        Named(new QCheckBox(QStringLiteral("Auto Load Last Workspace")), "chkAutoLoadWS");
    Frame3 = Frame(QStringLiteral("Workspace"), "Frame3", {chkAutoSaveWS, chkAutoLoadWS});
    chkTrayIcon = Named(new QCheckBox(QStringLiteral("Place Icon in Tray")), "chkTrayIcon");
    cmdOK = Named(new QPushButton(QStringLiteral("OK")), "cmdOK");
    Command1 = Named(new QPushButton(QStringLiteral("Cancel")), "Command1");

    // Two columns: the tree's frames on the left; on the right the workspace frame, then
    // one row per further option (more can go into `optionRows`), then the buttons.
    auto* grid = new QGridLayout(this);
    grid->addWidget(Frame1, 0, 0);
    grid->addWidget(Frame2, 1, 0, 2, 1);
    grid->addWidget(Frame3, 0, 1);
    optionRows = new QVBoxLayout;
    optionRows->setContentsMargins(style()->pixelMetric(QStyle::PM_LayoutLeftMargin), 0, 0, 0);
    optionRows->addWidget(chkTrayIcon, 0, Qt::AlignLeft);
    optionRows->addStretch();
    grid->addLayout(optionRows, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(Command1);
    grid->addLayout(buttons, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    cmdOK->setDefault(true);  // Enter
    // Escape and the close box reject the dialog, as Cancel does.
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
}

// One row under the tray option, in the right column.
void frmOptions::CreateIdleMinutes() {
    lblIdleMinutes =
        Named(new QLabel(QStringLiteral("Ask about idle time after (minutes):")), "lblIdleMinutes");
    spnIdleMinutes = Named(new QSpinBox, "spnIdleMinutes");
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
    auto* row = new QHBoxLayout;
    row->addWidget(lblIdleMinutes);
    row->addWidget(spnIdleMinutes);
    optionRows->insertLayout(1, row);  // before the stretch
}

void frmOptions::SetTabOrder() {
    // As the eye reads the dialog: the left column down, then the right one, the buttons last.
    QWidget* const order[] = {tt_none,        tt_tasktime,   tt_totaltime,  tt_hmm,
                              tt_hmmss,       chkAutoSaveWS, chkAutoLoadWS, chkTrayIcon,
                              spnIdleMinutes, cmdOK,         Command1};
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
    working_.timeShown = shown.TT_ShowTime;
    working_.totalTime = shown.TT_ShowTotalTime;
    working_.seconds = shown.TT_ShowSec;
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
