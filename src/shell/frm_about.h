#pragma once
// The about dialog: the program's name, version and credits, and a button to its web page.

#include <QDialog>
#include <QString>

#include "platform/web_opener.h"

class QLabel;
class QPushButton;

// "Version 0.1.0": three plain decimal numbers, also when one is 0.
QString VersionLine(int major, int minor, int patch);
// The version line of this build.
QString ProgramVersionLine();

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(WebOpener& web, QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command2 = nullptr;  // "Web Page"
    QPushButton* Command1 = nullptr;  // "OK"

  private:
    void CreateControls();
    QLabel* AddLabel(const char* name, const QString& text, double left, double top, double width,
                     double height);

    WebOpener& web_;
};
