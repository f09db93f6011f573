// The dialog of rates, billable, currency and client.
#include "history/billing_dialog.h"

#include <QCheckBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

std::optional<std::vector<Rate>> RatesFromRows(const std::vector<std::pair<QString, QString>>& rows,
                                               QString& error, const QLocale& locale) {
    std::vector<Rate> rates;
    std::set<std::string> dates;
    for (const auto& [fromText, hourlyText] : rows) {
        const QString from = fromText.trimmed();
        QString hourly = hourlyText.trimmed();
        if (from.isEmpty() && hourly.isEmpty()) {
            continue;
        }
        if (!from.isEmpty() && !QDate::fromString(from, Qt::ISODate).isValid()) {
            error = QStringLiteral(
                        "\"%1\" is not a date. Type it as 2026-01-31, or leave it "
                        "empty for a rate from the beginning.")
                        .arg(from);
            return std::nullopt;
        }
        hourly.replace(locale.decimalPoint(), QStringLiteral("."));
        const auto amount = ParseHourly(hourly.toUtf8().constData());
        if (!amount) {
            error = QStringLiteral(
                        "\"%1\" is not an hourly rate. Type a number such as 85 or "
                        "%2.")
                        .arg(hourlyText.trimmed(),
                             QStringLiteral("85") + locale.decimalPoint() + QStringLiteral("50"));
            return std::nullopt;
        }
        if (!dates.insert(from.toStdString()).second) {
            error = from.isEmpty() ? QStringLiteral("Only one rate can hold from the beginning.")
                                   : QStringLiteral("Two rates start on %1.").arg(from);
            return std::nullopt;
        }
        rates.push_back({from.toStdString(), *amount});
    }
    std::sort(rates.begin(), rates.end(),
              [](const Rate& a, const Rate& b) { return a.from < b.from; });
    return rates;
}

QString RateInForceText(pugi::xml_node element, const QString& currency, const QString& day) {
    if (!Billable(element)) {
        return QStringLiteral("Not billable");
    }
    const std::vector<Rate> rates = RatesInForce(element);
    const std::string today = day.toStdString();
    const Rate* inForce = nullptr;
    for (const Rate& rate : rates) {
        if (rate.from <= today) {
            inForce = &rate;
        }
    }
    if (inForce == nullptr) {
        return QStringLiteral("No rate");
    }
    QString text = QStringLiteral("%1 %2 an hour")
                       .arg(QString::fromStdString(HourlyText(inForce->hourly)), currency);
    if (!inForce->from.empty()) {
        text += QStringLiteral(" (from %1)").arg(QString::fromStdString(inForce->from));
    }
    return text;
}

BillingDialog::BillingDialog(const QString& title, const BillingValues& initial, bool project,
                             QWidget* parent)
    : QDialog(parent), project_(project) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    txtCurrency = new QLineEdit(QString::fromStdString(initial.currency), this);
    txtCurrency->setPlaceholderText(QLocale().currencySymbol(QLocale::CurrencyIsoCode));
    txtCurrency->setMaxLength(3);
    txtClient = new QLineEdit(QString::fromStdString(initial.client), this);
    chkBillable = new QCheckBox(QStringLiteral("&Billable"), this);
    chkBillable->setChecked(initial.billable);
    if (project) {
        form->addRow(QStringLiteral("C&lient:"), txtClient);
        form->addRow(QStringLiteral("&Currency:"), txtCurrency);
    } else {
        txtClient->hide();
        txtCurrency->hide();
    }
    form->addRow(QString(), chkBillable);
    layout->addLayout(form);
    layout->addWidget(new QLabel(
        QStringLiteral("&Hourly rates (a new rate from a date keeps the price of earlier work; "
                       "without rates, those of the task or project above apply):"),
        this));
    tblRates = new QTableWidget(0, 2, this);
    tblRates->setObjectName(QStringLiteral("tblRates"));
    tblRates->setAccessibleName(QStringLiteral("Hourly rates"));
    tblRates->setHorizontalHeaderLabels(
        {QStringLiteral("From (empty: always)"), QStringLiteral("Hourly")});
    tblRates->horizontalHeader()->setStretchLastSection(true);
    tblRates->verticalHeader()->hide();
    qobject_cast<QLabel*>(layout->itemAt(layout->count() - 1)->widget())->setBuddy(tblRates);
    layout->addWidget(tblRates);
    for (const Rate& rate : initial.rates) {
        AddRow(QString::fromStdString(rate.from), QString::fromStdString(HourlyText(rate.hourly)));
    }
    auto* rateButtons = new QHBoxLayout;
    cmdAddRate = new QPushButton(QStringLiteral("&New Rate"), this);
    cmdRemoveRate = new QPushButton(QStringLiteral("&Remove Rate"), this);
    rateButtons->addWidget(cmdAddRate);
    rateButtons->addWidget(cmdRemoveRate);
    rateButtons->addStretch();
    layout->addLayout(rateButtons);
    lblError = new QLabel(this);
    lblError->setWordWrap(true);
    layout->addWidget(lblError);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &BillingDialog::Confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdAddRate, &QPushButton::clicked, this, [this] {
        AddRow(QDate::currentDate().toString(Qt::ISODate), QString());
        tblRates->setCurrentCell(tblRates->rowCount() - 1, 1);
        tblRates->editItem(tblRates->currentItem());
    });
    connect(cmdRemoveRate, &QPushButton::clicked, this, [this] {
        if (tblRates->currentRow() >= 0) {
            tblRates->removeRow(tblRates->currentRow());
        }
    });
}

void BillingDialog::AddRow(const QString& from, const QString& hourly) {
    const int row = tblRates->rowCount();
    tblRates->insertRow(row);
    tblRates->setItem(row, 0, new QTableWidgetItem(from));
    tblRates->setItem(row, 1, new QTableWidgetItem(hourly));
}

void BillingDialog::Confirm() {
    std::vector<std::pair<QString, QString>> rows;
    for (int row = 0; row < tblRates->rowCount(); ++row) {
        const auto text = [&](int column) {
            const QTableWidgetItem* item = tblRates->item(row, column);
            return item == nullptr ? QString() : item->text();
        };
        rows.emplace_back(text(0), text(1));
    }
    QString error;
    const auto rates = RatesFromRows(rows, error);
    const QString currency = txtCurrency->text().trimmed().toUpper();
    if (rates && project_ && !currency.isEmpty() &&
        !QRegularExpression(QStringLiteral("^[A-Z]{3}$")).match(currency).hasMatch()) {
        error = QStringLiteral("\"%1\" is not a currency code. Type three letters, such as EUR.")
                    .arg(currency);
    }
    if (!error.isEmpty()) {
        lblError->setText(error);
        return;
    }
    values = BillingValues{*rates, chkBillable->isChecked(),
                           project_ ? currency.toStdString() : std::string(),
                           project_ ? txtClient->text().trimmed().toStdString() : std::string()};
    accept();
}
