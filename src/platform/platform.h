#pragma once
// Every seam the main window receives at construction. Production fills it with the Qt
// implementations (MakeQtPlatform); tests with scripted doubles.

#include <QString>

#include <memory>

#include "platform/clock.h"
#include "platform/file_dialog.h"
#include "platform/idle_source.h"
#include "platform/menu_popper.h"
#include "platform/print_dialog.h"
#include "platform/prompter.h"
#include "platform/question.h"
#include "platform/random_source.h"
#include "platform/settings_store.h"
#include "platform/tray.h"
#include "platform/web_opener.h"

struct Platform {
    std::unique_ptr<Prompter> prompter;
    std::unique_ptr<FileDialog> fileDialog;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<RandomSource> random;
    std::unique_ptr<MenuPopper> menus;
    std::unique_ptr<Tray> tray;
    std::unique_ptr<WebOpener> web;
    std::unique_ptr<SettingsStore> settings;
    // Where unsaved work is kept for the next start after a crash; empty keeps nothing.
    QString recoveryFolder;
    std::unique_ptr<Questioner> questions;  // asked without blocking the window
    std::unique_ptr<IdleSource> idle;
    std::unique_ptr<PrintDialog> printDialog;
};

Platform MakeQtPlatform();
