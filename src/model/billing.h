#pragma once
// What a project's hours are worth, as stored in its file:
//   <project currency="EUR" client="Acme" ...>
//     <rates><rate from="2026-01-01" hourly="85.00"/><rate from="2026-07-01" hourly="90"/></rates>
//   <task billable="false" ...>
// A period is priced at the rate in force on its start date, from its own element or else
// the nearest one above it that has rates; a new rate is a new entry, so earlier periods keep
// their price. Anything else in these elements belongs to other programs and is kept.

#include <cstdint>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

// Money is counted in ten-thousandths of the currency's unit: exact for any rate written
// with up to four decimals, and room for billions of hours.
constexpr int64_t kMoneyUnit = 10000;

struct Rate {
    std::string from;    // "yyyy-mm-dd"; empty: from the beginning
    int64_t hourly = 0;  // in kMoneyUnit
    bool operator==(const Rate&) const = default;
};

// "85.00", "90", "0.5": a decimal number with a dot, at most four decimals, not negative.
std::optional<int64_t> ParseHourly(const char* text);
// The stored form: two decimals at least, more only where the rate has them ("85.00", "12.345").
std::string HourlyText(int64_t hourly);
// Whether `text` is a date "yyyy-mm-dd" as the file keeps it (digits and dashes in place).
bool IsStoredDate(const std::string& text);

// The element's own rates, in stored order; entries that cannot be read are passed over.
std::vector<Rate> OwnRates(pugi::xml_node element);
// The rates that price the element's periods: its own, or the nearest element's above it
// (up to and including the project) that has any.
std::vector<Rate> RatesInForce(pugi::xml_node element);
// The rate in force on `day` ("yyyy-mm-dd"): the last entry that starts on or before it.
std::optional<int64_t> RateOn(const std::vector<Rate>& rates, const std::string& day);

// False when the element says billable="false".
bool OwnBillable(pugi::xml_node element);
// False when the element or any element above it is not billable.
bool Billable(pugi::xml_node element);

// What the person sets for one project or task. `currency` and `client` are the project's
// and are left alone on a task.
struct BillingValues {
    std::vector<Rate> rates;  // in date order
    bool billable = true;
    std::string currency;  // ISO 4217 code, empty: the locale's
    std::string client;
    bool operator==(const BillingValues&) const = default;
};
BillingValues BillingOf(pugi::xml_node element);
// The one place these values are written into a document: `rates` is rewritten entry by
// entry (removed when empty), the attributes set or removed; every other attribute and child
// stays as it was. A project element is one named "project".
void SetBilling(pugi::xml_node element, const BillingValues& values);
