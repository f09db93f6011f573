// The three-way merge of project documents.
#include "files/project_merge.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "files/xml_checks.h"
#include "history/sessions.h"
#include "model/ids.h"
#include "model/time_sums.h"
#include "model/time_text.h"

namespace {

// The three documents, by index: the base and the two sides, the later-changed side first.
constexpr int kBase = 0;
constexpr int kFirst = 1;
constexpr int kSecond = 2;
using Docs = std::array<pugi::xml_node, 3>;
using Values = std::array<std::optional<std::string>, 3>;  // nothing: not in that document

const std::string kRoot = "/";
// An attribute or element that is missing: a control character cannot occur in XML text.
const std::string kMissing = "\x01";
// Separates names in a path of names; it cannot occur in a name either.
const char kPathSeparator = '\x1f';
constexpr double kMostSeconds = 117964799;  // 32767:59:59

std::string Outer(pugi::xml_node node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return out.str();
}

pugi::xml_node ProjectOf(const pugi::xml_document* document) {
    if (document == nullptr) {
        return {};
    }
    const pugi::xml_node element = document->document_element();
    return std::string_view(element.name()) == "project" ? element : pugi::xml_node();
}

bool IsTask(pugi::xml_node node) {
    return node.type() == pugi::node_element && std::string_view(node.name()) == "task";
}

// The value one of three documents gives: from a side that changed it, or the base.
struct Choice {
    int from = kBase;
    bool conflict = false;
};

Choice Pick(const Values& v) {
    const auto& base = v[kBase];
    const auto& first = v[kFirst];
    const auto& second = v[kSecond];
    if (!first && !second) {
        return {kBase, false};
    }
    if (!first) {
        return {kSecond, false};
    }
    if (!second || *first == *second) {
        return {kFirst, false};
    }
    if (base && *first == *base) {
        return {kSecond, false};
    }
    if (base && *second == *base) {
        return {kFirst, false};
    }
    return {kFirst, true};  // the later change
}

std::optional<double> SecondsOf(const std::string& text) {
    try {
        return Module1::ParseTime(text);
    } catch (const Module1::TimeOverflow&) {
        return std::nullopt;
    }
}

std::string TimeText(double seconds) {
    return Module1::FormatTime(std::clamp(seconds, -kMostSeconds - 1, kMostSeconds), true);
}

// Every element of one document by a key that is the same for the same task in all three:
// its id, or where it has none that the others share, its path of names.
struct Keys {
    std::map<pugi::xml_node, std::string> key;
    std::map<std::string, pugi::xml_node> node;
    std::map<std::string, std::string> path;  // by key
    std::map<std::string, std::string> atPath;
    std::vector<std::pair<pugi::xml_node, std::string>> order;  // parents first, with paths

    void Set(pugi::xml_node element, const std::string& k, const std::string& p) {
        key[element] = k;
        node[k] = element;
        path[k] = p;
        atPath[p] = k;
    }
    void Rename(const std::string& from, const std::string& to) {
        const pugi::xml_node element = node[from];
        const std::string p = path[from];
        node.erase(from);
        path.erase(from);
        Set(element, to, p);
    }
    std::string ParentOf(pugi::xml_node element) const {
        const auto found = key.find(element.parent());
        return found == key.end() ? std::string() : found->second;
    }
};

// The tasks below `root`, parents first, each with its path of names; iterative, for
// documents nested deeper than the stack goes.
std::vector<std::pair<pugi::xml_node, std::string>> Walk(pugi::xml_node root) {
    std::vector<std::pair<pugi::xml_node, std::string>> order;
    if (!root) {
        return order;
    }
    order.emplace_back(root, "");
    for (size_t i = 0; i < order.size(); ++i) {
        std::map<std::string, int> seen;
        const std::string parentPath = order[i].second;
        for (pugi::xml_node task : order[i].first.children("task")) {
            const std::string name = task.attribute("name").value();
            const int count = seen[name]++;
            std::string path = parentPath + kPathSeparator + name;
            if (count > 0) {
                path += "#" + std::to_string(count);
            }
            order.emplace_back(task, std::move(path));
        }
    }
    return order;
}

std::map<std::string, int> IdCounts(
    const std::vector<std::pair<pugi::xml_node, std::string>>& order) {
    std::map<std::string, int> counts;
    for (const auto& [element, path] : order) {
        ++counts[element.attribute("id").value()];
    }
    return counts;
}

std::string Unused(const Keys& keys, std::string key) {
    while (keys.node.count(key) != 0) {
        key += "~";
    }
    return key;
}

// Keys for a document's elements: ids it shares with `reference` first, then by path of
// names where the reference's element at that path is not taken, then its own ids.
Keys KeyDocument(pugi::xml_node root, const Keys* reference, bool& usedNames) {
    Keys keys;
    keys.order = Walk(root);
    const std::map<std::string, int> idCounts = IdCounts(keys.order);
    const auto ownId = [&](pugi::xml_node element) {
        const std::string id = element.attribute("id").value();
        return IsId(id) && idCounts.at(id) == 1 ? id : std::string();
    };
    std::vector<bool> done(keys.order.size(), false);
    for (size_t i = 0; i < keys.order.size(); ++i) {
        const auto& [element, path] = keys.order[i];
        const std::string id = ownId(element);
        if (i == 0) {
            keys.Set(element, kRoot, path);
        } else if (!id.empty() && reference != nullptr && reference->node.count(id) != 0) {
            keys.Set(element, id, path);
        } else {
            continue;
        }
        done[i] = true;
    }
    for (size_t i = 0; i < keys.order.size(); ++i) {
        if (done[i]) {
            continue;
        }
        const auto& [element, path] = keys.order[i];
        if (reference != nullptr) {
            const auto there = reference->atPath.find(path);
            if (there != reference->atPath.end() && keys.node.count(there->second) == 0) {
                keys.Set(element, there->second, path);
                usedNames = usedNames || !IsId(there->second) || there->second != ownId(element);
                continue;
            }
        }
        const std::string id = ownId(element);
        keys.Set(element, Unused(keys, id.empty() ? "p:" + path : id), path);
    }
    return keys;
}

// Tasks that both sides added without a shared id but at the same path of names are one.
void UniteByNames(const Keys& base, Keys& first, Keys& second, bool& usedNames) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& [k, element] : second.node) {
        if (base.node.count(k) != 0 || first.node.count(k) != 0) {
            continue;
        }
        const auto there = first.atPath.find(second.path.at(k));
        if (there != first.atPath.end() && base.node.count(there->second) == 0 &&
            second.node.count(there->second) == 0) {
            pairs.emplace_back(there->second, k);
        }
    }
    for (const auto& [inFirst, inSecond] : pairs) {
        const std::string united = std::min(inFirst, inSecond);
        if (inFirst != united) {
            first.Rename(inFirst, united);
        }
        if (inSecond != united) {
            second.Rename(inSecond, united);
        }
        usedNames = true;
    }
}

struct Item {
    Docs node;
    std::string parent;
    bool kept = false;
    QString label;
    QString task;         // the path of names, empty for the project itself
    bool period = false;  // one of the task's periods
};

class Merger {
  public:
    Merger(pugi::xml_node base, pugi::xml_node first, pugi::xml_node second, bool mineFirst)
        : roots_{base, first, second}, mineFirst_(mineFirst) {}

    MergeResult Run();

  private:
    void KeyAll();
    void MergeParents();
    void Keep();
    void BreakCycles();
    std::map<std::string, std::vector<std::string>> ChildOrders() const;
    void Build();
    void MergeAttributes(const std::string& key, const Item& item, pugi::xml_node into,
                         bool timedPeriod = false);
    void CopyPicked(const Item& item, pugi::xml_node into, const char* what,
                    std::string (*valueOf)(pugi::xml_node),
                    void (*copy)(pugi::xml_node from, pugi::xml_node into));
    void MergeHistory(const Item& item, pugi::xml_node into);
    void MergeOwnTime(const Item& item, pugi::xml_node into);
    void RecomputeSubtaskTimes();
    bool ChangedOn(const Item& item, int side) const;
    // Records a field both sides changed differently; `field` is empty for where the item
    // belongs.
    void Decide(const Item& item, const QString& field, const Values& values, const Choice& choice);
    std::string ParentKey(int doc, pugi::xml_node element) const {
        return keys_[doc].ParentOf(element);
    }

    Docs roots_;
    bool mineFirst_;
    std::array<Keys, 3> keys_;
    std::map<std::string, Item> items_;
    std::vector<pugi::xml_node> built_;  // parents first
    MergeResult result_;
};

QString Shown(const std::optional<std::string>& value) {
    if (!value || *value == kMissing) {
        return QStringLiteral("(none)");
    }
    return QString::fromStdString(*value);
}

void Merger::Decide(const Item& item, const QString& field, const Values& values,
                    const Choice& choice) {
    if (!choice.conflict) {
        return;
    }
    const int mine = mineFirst_ ? kFirst : kSecond;
    const int theirs = mineFirst_ ? kSecond : kFirst;
    MergeDecision decision;
    decision.what = field.isEmpty() ? QStringLiteral("where %1 belongs").arg(item.label)
                                    : QStringLiteral("the %1 of %2").arg(field, item.label);
    decision.task = item.task;
    decision.field = field.isEmpty() ? QStringLiteral("where it belongs") : field;
    if (item.period) {
        decision.field += QStringLiteral(" of a period");
    }
    decision.mine = Shown(values[mine]);
    decision.theirs = Shown(values[theirs]);
    decision.kept = Shown(values[choice.from]);
    decision.keptMine = choice.from == mine;
    result_.decisions.push_back(decision);
}

void Merger::KeyAll() {
    bool usedNames = false;
    keys_[kBase] = KeyDocument(roots_[kBase], nullptr, usedNames);
    keys_[kFirst] = KeyDocument(roots_[kFirst], &keys_[kBase], usedNames);
    keys_[kSecond] = KeyDocument(roots_[kSecond], &keys_[kBase], usedNames);
    UniteByNames(keys_[kBase], keys_[kFirst], keys_[kSecond], usedNames);
    if (usedNames) {
        result_.notes.push_back(
            QStringLiteral("Some tasks had no ids yet and were matched by their names."));
    }
    items_[kRoot].label = QStringLiteral("the project");
    for (const int doc : {kBase, kSecond, kFirst}) {  // the label from the later side
        for (const auto& [element, k] : keys_[doc].key) {
            Item& item = items_[k];
            item.node[doc] = element;
            if (k != kRoot) {
                item.task = QString::fromStdString(keys_[doc].path.at(k).substr(1))
                                .replace(QChar(kPathSeparator), QLatin1Char('/'));
                item.label = QStringLiteral("task '%1'").arg(item.task);
            }
        }
    }
}

QString LabelOfKey(const std::map<std::string, Item>& items, const std::optional<std::string>& k) {
    if (!k) {
        return QStringLiteral("(none)");
    }
    const auto found = items.find(*k);
    return found == items.end() ? QStringLiteral("(none)") : found->second.label;
}

void Merger::MergeParents() {
    for (auto& [k, item] : items_) {
        if (k == kRoot) {
            continue;
        }
        Values parents;
        for (int doc = 0; doc < 3; ++doc) {
            if (item.node[doc]) {
                parents[doc] = ParentKey(doc, item.node[doc]);
            }
        }
        const Choice choice = Pick(parents);
        item.parent = parents[choice.from].value_or(kRoot);
        if (choice.conflict) {
            Values shown;
            for (int doc = 0; doc < 3; ++doc) {
                if (parents[doc]) {
                    shown[doc] = LabelOfKey(items_, parents[doc]).toStdString();
                }
            }
            Decide(item, QString(), shown, choice);
        }
    }
}

// What a person can change on an element itself, for telling a deleted task from one the
// other side still worked on.
std::string OwnContent(pugi::xml_node element, const std::string& parent) {
    std::string content = parent;
    for (pugi::xml_attribute attribute : element.attributes()) {
        const std::string_view name = attribute.name();
        if (name != "subtask_time" && name != "filename" && name != "modified" && name != "id") {
            content.append("\n").append(name).append("=").append(attribute.value());
        }
    }
    for (pugi::xml_node child : element.children()) {
        if (!IsTask(child)) {
            content += Outer(child);
        }
    }
    return content;
}

bool Merger::ChangedOn(const Item& item, int side) const {
    return OwnContent(item.node[side], ParentKey(side, item.node[side])) !=
           OwnContent(item.node[kBase], ParentKey(kBase, item.node[kBase]));
}

void Merger::Keep() {
    for (auto& [k, item] : items_) {
        const bool first = bool(item.node[kFirst]);
        const bool second = bool(item.node[kSecond]);
        if (k == kRoot || (first && second)) {
            item.kept = true;
        } else if (first || second) {
            // Time, a rename or a move wins over the other side's deletion.
            item.kept = !item.node[kBase] || ChangedOn(item, first ? kFirst : kSecond);
        }
    }
}

void Merger::BreakCycles() {
    // 0 not seen, 1 on the walk now, 2 leads to the project.
    std::map<std::string, int> state;
    state[kRoot] = 2;
    for (auto& [start, item] : items_) {
        std::vector<std::string> walk;
        std::string k = start;
        while (state[k] == 0) {
            state[k] = 1;
            walk.push_back(k);
            Item& at = items_.at(k);
            if (items_.count(at.parent) == 0) {
                at.parent = kRoot;
            } else if (state[at.parent] == 1) {
                // Moved under itself by the two sides together: back to the top.
                result_.notes.push_back(
                    QStringLiteral("%1 was put at the top: the two versions moved it below "
                                   "itself.")
                        .arg(at.label));
                at.parent = kRoot;
            }
            k = at.parent;
        }
        for (const std::string& done : walk) {
            state[done] = 2;
        }
    }
    // A task kept below one that was deleted brings its parent back.
    for (auto& [k, item] : items_) {
        if (!item.kept || k == kRoot) {
            continue;
        }
        for (Item* up = &items_.at(item.parent); !up->kept; up = &items_.at(up->parent)) {
            up->kept = true;
        }
    }
}

// The order of each element's kept tasks: the order of the side that reordered them (the
// base's otherwise), with tasks new to it placed after the sibling they follow there.
std::map<std::string, std::vector<std::string>> Merger::ChildOrders() const {
    std::map<std::string, std::array<std::vector<std::string>, 3>> listed;
    for (int doc = 0; doc < 3; ++doc) {
        for (const auto& [element, path] : keys_[doc].order) {
            const std::string k = keys_[doc].key.at(element);
            const Item& item = items_.at(k);
            if (k != kRoot && item.kept && item.parent == ParentKey(doc, element)) {
                listed[item.parent][doc].push_back(k);
            }
        }
    }
    std::map<std::string, std::vector<std::string>> orders;
    for (auto& [parent, lists] : listed) {
        const std::set<std::string> inBase(lists[kBase].begin(), lists[kBase].end());
        Values sequences;
        for (int doc = 0; doc < 3; ++doc) {
            std::string joined;
            for (const std::string& k : lists[doc]) {
                if (inBase.count(k) != 0) {
                    joined += k + "\n";
                }
            }
            sequences[doc] = joined;
        }
        const int from = Pick(sequences).from;
        std::vector<std::string> order;
        for (const std::string& k : lists[from]) {
            if (inBase.count(k) != 0) {
                order.push_back(k);
            }
        }
        for (const int doc : {kFirst, kSecond, kBase}) {
            auto after = order.begin();
            for (const std::string& k : lists[doc]) {
                const auto at = std::find(order.begin(), order.end(), k);
                after = at != order.end() ? at + 1 : order.insert(after, k) + 1;
            }
        }
        orders[parent] = std::move(order);
    }
    // Tasks put at the top after a cycle may be listed under no document's project.
    for (const auto& [k, item] : items_) {
        if (k != kRoot && item.kept) {
            std::vector<std::string>& order = orders[item.parent];
            if (std::find(order.begin(), order.end(), k) == order.end()) {
                order.push_back(k);
            }
        }
    }
    return orders;
}

void Merger::MergeAttributes(const std::string& key, const Item& item, pugi::xml_node into,
                             bool timedPeriod) {
    std::vector<std::string> names;
    for (int doc = 0; doc < 3; ++doc) {
        for (pugi::xml_attribute attribute : item.node[doc].attributes()) {
            if (std::find(names.begin(), names.end(), attribute.name()) == names.end()) {
                names.emplace_back(attribute.name());
            }
        }
    }
    for (const std::string& name : names) {
        if (key == kRoot && (name == "filename" || name == "modified")) {
            continue;  // the window's own, never in a file
        }
        Values values;
        for (int doc = 0; doc < 3; ++doc) {
            if (item.node[doc]) {
                const pugi::xml_attribute attribute = item.node[doc].attribute(name.c_str());
                values[doc] = attribute ? attribute.value() : kMissing;
            }
        }
        std::string value;
        if (name == "id") {
            value = IsId(key) ? key : std::string();
            for (const auto& each : values) {
                if (value.empty() && each && IsId(*each)) {
                    value = *each;  // the lowest, since both sides must agree on it
                } else if (each && IsId(*each)) {
                    value = std::min(value, *each);
                }
            }
            if (value.empty()) {
                value = *values[Pick(values).from];
            }
        } else {
            const Choice choice = Pick(values);
            value = *values[choice.from];
            // Times are worked out afterwards; a period's seconds too, unless a correction.
            if (name != "task_time" && name != "subtask_time" &&
                !(name == "seconds" && timedPeriod)) {
                Decide(item, QString::fromStdString(name == "completed" ? "Completed" : name),
                       values, choice);
            }
        }
        if (value != kMissing) {
            into.append_attribute(name.c_str()).set_value(value.c_str());
        }
    }
}

std::string DescriptionOf(pugi::xml_node element) {
    const pugi::xml_node description = element.child("description");
    return description ? Outer(description) : kMissing;
}

void CopyDescription(pugi::xml_node from, pugi::xml_node into) {
    if (const pugi::xml_node description = from.child("description")) {
        into.append_copy(description);
    }
}

bool IsForeign(pugi::xml_node child) {
    const std::string_view name = child.name();
    return child.type() != pugi::node_element ||
           (name != "task" && name != "description" && name != "history");
}

std::string ForeignOf(pugi::xml_node element) {
    std::string content;
    for (pugi::xml_node child : element.children()) {
        if (IsForeign(child)) {
            content += Outer(child);
        }
    }
    return content;
}

void CopyForeign(pugi::xml_node from, pugi::xml_node into) {
    for (pugi::xml_node child : from.children()) {
        if (IsForeign(child)) {
            into.append_copy(child);
        }
    }
}

std::string ForeignHistoryOf(pugi::xml_node element) {
    std::string content;
    for (pugi::xml_node child : element.child("history").children()) {
        if (std::string_view(child.name()) != "session") {
            content += Outer(child);
        }
    }
    return content;
}

void CopyForeignHistory(pugi::xml_node from, pugi::xml_node into) {
    for (pugi::xml_node child : from.child("history").children()) {
        if (std::string_view(child.name()) != "session") {
            into.append_copy(child);
        }
    }
}

void Merger::CopyPicked(const Item& item, pugi::xml_node into, const char* what,
                        std::string (*valueOf)(pugi::xml_node),
                        void (*copy)(pugi::xml_node from, pugi::xml_node into)) {
    Values values;
    Values shown;
    for (int doc = 0; doc < 3; ++doc) {
        if (item.node[doc]) {
            values[doc] = valueOf(item.node[doc]);
            shown[doc] = item.node[doc].child(what).text().get();
        }
    }
    const Choice choice = Pick(values);
    if (what[0] != '\0') {
        Decide(item, QLatin1String(what), shown, choice);
    }
    copy(item.node[choice.from], into);
}

// Periods of one element, keyed by id (by start where an older version wrote them).
std::map<std::string, pugi::xml_node> SessionsByKey(pugi::xml_node element) {
    std::map<std::string, pugi::xml_node> sessions;
    std::map<std::string, int> idCounts;
    for (pugi::xml_node session : SessionNodes(element)) {
        ++idCounts[session.attribute("id").value()];
    }
    for (pugi::xml_node session : SessionNodes(element)) {
        const std::string id = session.attribute("id").value();
        std::string k = IsId(id) && idCounts[id] == 1
                            ? id
                            : "s:" + std::string(session.attribute("start").value()) +
                                  (IsCorrection(session) ? "|c" : "|t");
        while (sessions.count(k) != 0) {
            k += "~";
        }
        sessions[k] = session;
    }
    return sessions;
}

void Merger::MergeHistory(const Item& item, pugi::xml_node into) {
    bool anyHistory = false;
    std::array<std::map<std::string, pugi::xml_node>, 3> sessions;
    for (int doc = 0; doc < 3; ++doc) {
        anyHistory = anyHistory || item.node[doc].child("history");
        sessions[doc] = SessionsByKey(item.node[doc]);
    }
    // Periods of the versions that still hold the task; of the base when neither does.
    const bool onSides = item.node[kFirst] || item.node[kSecond];
    std::map<std::string, Docs> united;
    for (int doc = 0; doc < 3; ++doc) {
        for (const auto& [k, session] : sessions[doc]) {
            if ((doc != kBase) == onSides) {
                united[k];
            }
        }
    }
    for (auto& [k, nodes] : united) {
        for (int doc = 0; doc < 3; ++doc) {
            const auto found = sessions[doc].find(k);
            nodes[doc] = found == sessions[doc].end() ? pugi::xml_node() : found->second;
        }
    }
    if (!anyHistory && united.empty()) {
        return;
    }
    pugi::xml_node history = into.append_child("history");
    CopyPicked(item, history, "", ForeignHistoryOf, CopyForeignHistory);
    std::vector<std::pair<std::pair<int64_t, std::string>, pugi::xml_node>> sorted;
    pugi::xml_document made;  // the periods before they are put in start order
    for (const auto& [k, nodes] : united) {
        Item period{nodes,     {},  true, QStringLiteral("a period of %1").arg(item.label),
                    item.task, true};
        pugi::xml_node session = made.append_child("session");
        const bool timed = std::none_of(nodes.begin(), nodes.end(), [](pugi::xml_node node) {
            return node && IsCorrection(node);
        });
        MergeAttributes(k, period, session, timed);
        if (!IsCorrection(session)) {
            // Extended on both sides: the longer run holds every second of the shorter.
            int64_t most = std::numeric_limits<int64_t>::min();
            for (const int doc : {kFirst, kSecond, kBase}) {
                if (nodes[doc] && (doc != kBase || most == std::numeric_limits<int64_t>::min())) {
                    most = std::max(most, int64_t(nodes[doc].attribute("seconds").as_llong()));
                }
            }
            if (session.attribute("seconds")) {
                session.attribute("seconds").set_value(static_cast<long long>(most));
            }
        }
        int64_t when = std::numeric_limits<int64_t>::max();
        int offset = 0;
        ParseSessionStart(session.attribute("start").value(), when, offset);
        sorted.push_back({{when, k}, session});
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : sorted) {
        history.append_copy(entry.second);
    }
}

// The seconds of an element's periods, added up where no stored number can overflow.
double PeriodSeconds(pugi::xml_node element) {
    double sum = 0;
    for (pugi::xml_node session : SessionNodes(element)) {
        sum += double(session.attribute("seconds").as_llong());
    }
    return sum;
}

// Whether a version's periods add up to its own time: then the periods tell it all.
bool HistoryComplete(pugi::xml_node element) {
    const std::optional<double> own = SecondsOf(element.attribute("task_time").value());
    return own && PeriodSeconds(element) == *own;
}

void Merger::MergeOwnTime(const Item& item, pugi::xml_node into) {
    std::vector<int> sides;
    for (const int doc : {kFirst, kSecond}) {
        if (item.node[doc]) {
            sides.push_back(doc);
        }
    }
    if (sides.empty()) {
        return;  // brought back from the base as it was
    }
    std::optional<double> own;
    if (std::all_of(sides.begin(), sides.end(),
                    [&](int doc) { return HistoryComplete(item.node[doc]); })) {
        own = PeriodSeconds(into);
    } else {
        const auto timeOf = [&](int doc) {
            return SecondsOf(item.node[doc].attribute("task_time").value());
        };
        const std::optional<double> base =
            item.node[kBase] ? timeOf(kBase) : std::optional<double>();
        own = base.value_or(0);
        for (const int doc : sides) {
            const std::optional<double> side = timeOf(doc);
            if (!side) {
                return;  // a text that does not read: the picked text stays
            }
            // Without a base the two are versions of one time, not two additions to it.
            own = base ? *own + *side - *base : std::max(*own, *side);
        }
    }
    pugi::xml_attribute stored = into.attribute("task_time");
    if (!stored) {
        if (*own == 0) {
            return;
        }
        stored = into.append_attribute("task_time");
    }
    if (SecondsOf(stored.value()) != own) {
        stored.set_value(TimeText(*own).c_str());
    }
}

void Merger::RecomputeSubtaskTimes() {
    for (auto at = built_.rbegin(); at != built_.rend(); ++at) {
        double sum = 0;
        for (pugi::xml_node task : at->children("task")) {
            sum += WholeTimeOf(task).value_or(0);
        }
        pugi::xml_attribute stored = at->attribute("subtask_time");
        if (!stored) {
            if (sum == 0) {
                continue;
            }
            stored = at->append_attribute("subtask_time");
        }
        if (SecondsOf(stored.value()) != sum) {
            stored.set_value(TimeText(sum).c_str());
        }
    }
}

void Merger::Build() {
    const std::map<std::string, std::vector<std::string>> orders = ChildOrders();
    std::vector<std::pair<std::string, pugi::xml_node>> pending{{kRoot, *result_.document}};
    while (!pending.empty()) {
        auto [k, parent] = pending.back();
        pending.pop_back();
        const Item& item = items_.at(k);
        pugi::xml_node element = parent.append_child(k == kRoot ? "project" : "task");
        built_.push_back(element);
        MergeAttributes(k, item, element);
        CopyPicked(item, element, "description", DescriptionOf, CopyDescription);
        MergeHistory(item, element);
        CopyPicked(item, element, "", ForeignOf, CopyForeign);
        MergeOwnTime(item, element);
        const auto children = orders.find(k);
        if (children != orders.end()) {
            for (auto child = children->second.rbegin(); child != children->second.rend();
                 ++child) {
                pending.emplace_back(*child, element);
            }
        }
    }
    RecomputeSubtaskTimes();
}

MergeResult Merger::Run() {
    result_.document = std::make_unique<pugi::xml_document>();
    KeyAll();
    MergeParents();
    Keep();
    BreakCycles();
    Build();
    return std::move(result_);
}

std::string BytesOf(const pugi::xml_document* document) {
    return document == nullptr ? std::string() : Outer(*document);
}

// Whether a name or a text can go into a file that reads back: a document read leniently,
// or built by hand, may hold bytes that are not UTF-8.
bool Writable(std::string_view text) {
    return !XmlChecks::FindBadCharacter(text);
}

std::string Mended(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toUtf8().toStdString();
}

// Drops attributes and elements whose names no file could hold (none the program knows)
// and mends texts that are not UTF-8; without recursion, for documents nested deep.
void MendUnwritable(pugi::xml_node root) {
    std::vector<pugi::xml_node> pending{root};
    while (!pending.empty()) {
        pugi::xml_node node = pending.back();
        pending.pop_back();
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute;) {
            const pugi::xml_attribute next = attribute.next_attribute();
            if (!Writable(attribute.name())) {
                node.remove_attribute(attribute);
            } else if (!Writable(attribute.value())) {
                attribute.set_value(Mended(attribute.value()).c_str());
            }
            attribute = next;
        }
        if (!Writable(node.value())) {
            node.set_value(Mended(node.value()).c_str());
        }
        for (pugi::xml_node child = node.first_child(); child;) {
            const pugi::xml_node next = child.next_sibling();
            if (child.type() == pugi::node_element && !Writable(child.name())) {
                node.remove_child(child);
            } else {
                pending.push_back(child);
            }
            child = next;
        }
    }
}

// The document itself, or where a file could not hold it, a mended copy kept in `mended`:
// each side is mended alone, so the merge stays the same whichever side is mine.
const pugi::xml_document* WritableVersion(const pugi::xml_document* document,
                                          pugi::xml_document& mended) {
    if (document == nullptr || Writable(Outer(*document))) {
        return document;
    }
    mended.reset(*document);
    MendUnwritable(mended);
    return &mended;
}

}  // namespace

MergeResult MergeProjects(const pugi::xml_document* base, const MergeSide& mineAsGiven,
                          const MergeSide& theirsAsGiven) {
    pugi::xml_document mended[3];
    base = WritableVersion(base, mended[0]);
    const MergeSide mine{WritableVersion(mineAsGiven.document, mended[1]), mineAsGiven.changedMs};
    const MergeSide theirs{WritableVersion(theirsAsGiven.document, mended[2]),
                           theirsAsGiven.changedMs};
    // Every choice between the sides goes to the later one, and between equally late ones
    // to the one that sorts first: so the order they are given in does not matter.
    const bool mineFirst = mine.changedMs != theirs.changedMs
                               ? mine.changedMs > theirs.changedMs
                               : BytesOf(mine.document) <= BytesOf(theirs.document);
    const MergeSide& first = mineFirst ? mine : theirs;
    const MergeSide& second = mineFirst ? theirs : mine;
    return Merger(ProjectOf(base), ProjectOf(first.document), ProjectOf(second.document), mineFirst)
        .Run();
}
