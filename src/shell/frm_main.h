#pragma once

#include <QMainWindow>

// The main window: the hub that owns the tree, the documents, the timer and the workspace.
class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmMain(QWidget* parent = nullptr);
};
