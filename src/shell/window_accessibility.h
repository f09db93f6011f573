#pragma once
// Windows built on a plain QWidget (the Reports window) are windows to a screen reader too.

// Installs the accessibility factory that says so; once per program, later calls do nothing.
void InstallWindowAccessibility();
