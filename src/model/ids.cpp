#include "model/ids.h"

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr size_t kIdDigits = 32;
constexpr char kHex[] = "0123456789abcdef";

std::string RandomId() {
    // random_device reads the kernel's generator here: every call is 128 fresh bits.
    static std::random_device device;
    std::string id;
    id.reserve(kIdDigits);
    for (int word = 0; word < 4; ++word) {
        uint32_t bits = device();
        for (int nibble = 0; nibble < 8; ++nibble) {
            id.push_back(kHex[bits & 0xF]);
            bits >>= 4;
        }
    }
    return id;
}

IdSource& CurrentSource() {
    static IdSource source;
    return source;
}

}  // namespace

bool IsId(std::string_view text) {
    if (text.size() != kIdDigits) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

std::string NewId() {
    const IdSource& source = CurrentSource();
    return source ? source() : RandomId();
}

IdSource SetIdSource(IdSource source) {
    IdSource before = std::move(CurrentSource());
    CurrentSource() = std::move(source);
    return before;
}

std::string IdOfNumber(unsigned long long number) {
    std::string id(kIdDigits, '0');
    for (size_t i = kIdDigits; i-- > 0 && number != 0; number >>= 4) {
        id[i] = kHex[number & 0xF];
    }
    return id;
}

bool GiveId(pugi::xml_node element) {
    if (element.attribute("id")) {
        return false;
    }
    element.append_attribute("id").set_value(NewId().c_str());
    return true;
}

bool GiveIds(pugi::xml_node top) {
    bool given = false;
    // Iterative: documents may nest deeper than the stack goes.
    std::vector<pugi::xml_node> pending{top};
    while (!pending.empty()) {
        pugi::xml_node element = pending.back();
        pending.pop_back();
        given = GiveId(element) || given;
        for (pugi::xml_node task = element.child("task"); task; task = task.next_sibling("task")) {
            pending.push_back(task);
        }
    }
    return given;
}
