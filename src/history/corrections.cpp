// Corrections of booked time.
#include "history/corrections.h"

#include "history/sessions.h"
#include "model/time_text.h"
#include "tree/project_tree.h"

namespace {

constexpr int64_t kMostSeconds = 32767LL * 3600 + 3599;

struct TimeAttribute {
    pugi::xml_node element;
    const char* name;
};

// The element's task time, then the subtask time of each ancestor up to the project.
std::vector<TimeAttribute> ChainOf(pugi::xml_node element) {
    std::vector<TimeAttribute> chain{{element, "task_time"}};
    for (pugi::xml_node up = element.parent(); up && up.type() == pugi::node_element;
         up = up.parent()) {
        chain.push_back({up, "subtask_time"});
    }
    return chain;
}

QString Describe(const TimeAttribute& time) {
    return QStringLiteral("the %1 of \"%2\"")
        .arg(std::string_view(time.name) == "task_time" ? QStringLiteral("task time")
                                                        : QStringLiteral("subtask time"),
             QString::fromUtf8(time.element.attribute("name").value()));
}

std::optional<int64_t> StoredSeconds(const TimeAttribute& time) {
    try {
        return static_cast<int64_t>(Module1::ParseTime(time.element.attribute(time.name).value()));
    } catch (const Module1::TimeOverflow&) {
        return std::nullopt;
    }
}

}  // namespace

QString CorrectionRefusal(pugi::xml_node element, int64_t delta) {
    for (const TimeAttribute& time : ChainOf(element)) {
        const std::optional<int64_t> stored = StoredSeconds(time);
        if (!stored) {
            return QStringLiteral("The time cannot be corrected: %1 does not fit 32767 hours.")
                .arg(Describe(time));
        }
        if (*stored + delta < 0) {
            return QStringLiteral("The time cannot be corrected: %1 would become negative.")
                .arg(Describe(time));
        }
        if (*stored + delta > kMostSeconds) {
            return QStringLiteral("The time cannot be corrected: %1 would pass 32767 hours.")
                .arg(Describe(time));
        }
    }
    return {};
}

void BookCorrection(pugi::xml_node element, int64_t delta) {
    for (const TimeAttribute& time : ChainOf(element)) {
        const int64_t stored = StoredSeconds(time).value_or(0);
        const std::string text = Module1::FormatTime(static_cast<double>(stored + delta), true);
        pugi::xml_node element = time.element;
        pugi::xml_attribute attribute = element.attribute(time.name);
        if (!attribute) {
            attribute = element.append_attribute(time.name);
        }
        attribute.set_value(text.c_str());
    }
}

SessionEdit::SessionEdit(const QString& text, ProjectTree& tree, TreeNode* node,
                         pugi::xml_node before, std::optional<SessionValues> after,
                         std::function<void(pugi::xml_node)> changed)
    : EditStep(text),
      tree_(tree),
      place_(tree.PlaceOf(node)),
      after_(std::move(after)),
      changed_(std::move(changed)) {
    if (before) {
        before_ = SessionValuesOf(before);
    }
}

int64_t SessionEdit::delta() const {
    return (after_ ? after_->seconds : 0) - (before_ ? before_->seconds : 0);
}

pugi::xml_node SessionEdit::Element() const {
    const TreeNode* node = tree_.NodeAt(place_);
    return node != nullptr ? node->element : pugi::xml_node();
}

QString SessionEdit::RedoRefusal() const {
    return CorrectionRefusal(Element(), delta());
}

QString SessionEdit::UndoRefusal() const {
    return CorrectionRefusal(Element(), -delta());
}

void SessionEdit::redo() {
    Replace(before_, after_);
    BookCorrection(Element(), delta());
    changed_(Element());
}

void SessionEdit::undo() {
    Replace(after_, before_);
    BookCorrection(Element(), -delta());
    changed_(Element());
}

void SessionEdit::Replace(const std::optional<SessionValues>& from,
                          const std::optional<SessionValues>& to) {
    const pugi::xml_node element = Element();
    // Found again by its values: the edits after this one may have removed and re-added it,
    // so no handle taken earlier can be trusted. Periods alike in every value are
    // interchangeable.
    if (from) {
        for (pugi::xml_node node : SessionNodes(element)) {
            if (HoldsValues(node, *from)) {
                node.parent().remove_child(node);
                break;
            }
        }
    }
    if (to) {
        AddSession(element, *to);
    }
}
