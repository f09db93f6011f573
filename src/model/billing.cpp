// What a project's hours are worth, as stored in its file.
#include "model/billing.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsProject(pugi::xml_node element) {
    return std::strcmp(element.name(), "project") == 0;
}

// The attribute set to `value`, or removed when `value` is empty.
void SetOrRemove(pugi::xml_node element, const char* name, const std::string& value) {
    if (value == element.attribute(name).value()) {
        return;  // unchanged: written as it was
    }
    if (value.empty()) {
        element.remove_attribute(name);
        return;
    }
    pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute) {
        attribute = element.append_attribute(name);
    }
    attribute.set_value(value.c_str());
}

}  // namespace

std::optional<int64_t> ParseHourly(const char* text) {
    int64_t whole = 0;
    int64_t fraction = 0;
    int decimals = 0;
    int digits = 0;
    const char* at = text;
    for (; *at >= '0' && *at <= '9'; ++at, ++digits) {
        if (whole > (INT64_MAX / kMoneyUnit - 9) / 10) {
            return std::nullopt;
        }
        whole = whole * 10 + (*at - '0');
    }
    if (*at == '.') {
        for (++at; *at >= '0' && *at <= '9'; ++at, ++decimals, ++digits) {
            if (decimals == 4) {
                return std::nullopt;
            }
            fraction = fraction * 10 + (*at - '0');
        }
    }
    if (*at != '\0' || digits == 0) {
        return std::nullopt;
    }
    for (int i = decimals; i < 4; ++i) {
        fraction *= 10;
    }
    return whole * kMoneyUnit + fraction;
}

std::string HourlyText(int64_t hourly) {
    std::string fraction = std::to_string(hourly % kMoneyUnit + kMoneyUnit).substr(1);
    while (fraction.size() > 2 && fraction.back() == '0') {
        fraction.pop_back();
    }
    return std::to_string(hourly / kMoneyUnit) + "." + fraction;
}

bool IsStoredDate(const std::string& text) {
    if (text.size() != 10) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? text[i] != '-' : (text[i] < '0' || text[i] > '9')) {
            return false;
        }
    }
    return true;
}

std::vector<Rate> OwnRates(pugi::xml_node element) {
    std::vector<Rate> rates;
    for (pugi::xml_node entry : element.child("rates").children("rate")) {
        const std::string from = entry.attribute("from").value();
        const auto hourly = ParseHourly(entry.attribute("hourly").value());
        if (hourly && (from.empty() || IsStoredDate(from))) {
            rates.push_back({from, *hourly});
        }
    }
    // Written in date order; a file edited by hand may not be, and the latest start must win.
    std::stable_sort(rates.begin(), rates.end(),
                     [](const Rate& a, const Rate& b) { return a.from < b.from; });
    return rates;
}

std::vector<Rate> RatesInForce(pugi::xml_node element) {
    for (pugi::xml_node at = element; at && at.type() == pugi::node_element; at = at.parent()) {
        std::vector<Rate> rates = OwnRates(at);
        if (!rates.empty() || IsProject(at)) {
            return rates;
        }
    }
    return {};
}

std::optional<int64_t> RateOn(const std::vector<Rate>& rates, const std::string& day) {
    std::optional<int64_t> found;
    for (const Rate& rate : rates) {
        if (rate.from <= day) {
            found = rate.hourly;
        }
    }
    return found;
}

bool OwnBillable(pugi::xml_node element) {
    return std::strcmp(element.attribute("billable").value(), "false") != 0;
}

bool Billable(pugi::xml_node element) {
    for (pugi::xml_node at = element; at && at.type() == pugi::node_element; at = at.parent()) {
        if (!OwnBillable(at)) {
            return false;
        }
        if (IsProject(at)) {
            break;
        }
    }
    return true;
}

BillingValues BillingOf(pugi::xml_node element) {
    return {OwnRates(element), OwnBillable(element), element.attribute("currency").value(),
            element.attribute("client").value()};
}

void SetBilling(pugi::xml_node element, const BillingValues& values) {
    if (IsProject(element)) {
        SetOrRemove(element, "currency", values.currency);
        SetOrRemove(element, "client", values.client);
    }
    if (OwnBillable(element) != values.billable) {
        SetOrRemove(element, "billable", values.billable ? std::string() : std::string("false"));
    }
    if (OwnRates(element) == values.rates) {
        return;  // an untouched list keeps its entries as they were written
    }
    pugi::xml_node rates = element.child("rates");
    if (values.rates.empty()) {
        element.remove_child(rates);
        return;
    }
    if (!rates) {
        // Beside the history, where a reader of the file looks for what the hours are worth.
        pugi::xml_node history = element.child("history");
        pugi::xml_node description = element.child("description");
        rates = history       ? element.insert_child_after("rates", history)
                : description ? element.insert_child_after("rates", description)
                              : element.prepend_child("rates");
    }
    while (rates.child("rate")) {
        rates.remove_child(rates.child("rate"));
    }
    for (const Rate& rate : values.rates) {
        pugi::xml_node entry = rates.append_child("rate");
        if (!rate.from.empty()) {
            entry.append_attribute("from").set_value(rate.from.c_str());
        }
        entry.append_attribute("hourly").set_value(HourlyText(rate.hourly).c_str());
    }
}
