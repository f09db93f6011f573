#pragma once
// The print dialog: the person chooses a printer and its settings, or cancels.

class QPrinter;
class QWidget;

class PrintDialog {
  public:
    virtual ~PrintDialog() = default;
    // Sets up `printer` as the person chose; false when they cancelled.
    virtual bool Ask(QPrinter& printer, QWidget* parent) = 0;
};

class QtPrintDialog : public PrintDialog {
  public:
    bool Ask(QPrinter& printer, QWidget* parent) override;
};
