#pragma once
// The small dialog where a person says what a project's or task's hours are worth: hourly
// rates from a date, billable or not, and for a project its currency and client. Reading
// the fields is a plain function, tested without the modal loop.

#include <QDialog>
#include <QLocale>

#include <optional>
#include <utility>
#include <vector>

#include "model/billing.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Rates from rows of (from, hourly) as typed: "from" a date yyyy-mm-dd or empty (from the
// beginning), "hourly" a number with the locale's decimal sign or a dot. Blank rows are
// passed over. Sorted by date; none, with the reason in `error`, for a row that does not read
// or two rows from the same date.
std::optional<std::vector<Rate>> RatesFromRows(const std::vector<std::pair<QString, QString>>& rows,
                                               QString& error, const QLocale& locale = QLocale());
// The rate in force on `day` for the element, in words for the pane: "85.00 EUR an hour
// (from 2026-01-01)", "Not billable", "No rate".
QString RateInForceText(pugi::xml_node element, const QString& currency, const QString& day);

class BillingDialog : public QDialog {
    Q_OBJECT
  public:
    // `project` shows the currency and client fields.
    BillingDialog(const QString& title, const BillingValues& initial, bool project,
                  QWidget* parent);
    std::optional<BillingValues> values;  // set when accepted

    QLineEdit* txtCurrency;
    QLineEdit* txtClient;
    QCheckBox* chkBillable;
    QTableWidget* tblRates;
    QPushButton* cmdAddRate;
    QPushButton* cmdRemoveRate;
    QLabel* lblError;

  private:
    void AddRow(const QString& from, const QString& hourly);
    void Confirm();

    bool project_;
};
