#include "support/sum_check.h"

#include <vector>

#include "model/time_sums.h"
#include "model/time_text.h"

namespace {

std::string Quoted(pugi::xml_node element) {
    return std::string("'").append(element.attribute("name").value()).append("'");
}

}  // namespace

std::optional<std::string> FindSumMismatch(pugi::xml_node top) {
    // Iterative: documents may nest deeper than the stack goes.
    std::vector<pugi::xml_node> pending{top};
    while (!pending.empty()) {
        const pugi::xml_node element = pending.back();
        pending.pop_back();
        double sum = 0;
        for (pugi::xml_node task = element.child("task"); task; task = task.next_sibling("task")) {
            const std::optional<double> whole = WholeTimeOf(task);
            if (!whole) {
                return Quoted(task).append(" holds a time that does not fit");
            }
            sum += *whole;
            pending.push_back(task);
        }
        const std::optional<double> own = WholeTimeOf(element);
        const double stored =
            own ? Module1::ParseTime(element.attribute("subtask_time").value()) : -1;
        if (stored != sum) {
            return Quoted(element)
                .append(" has subtask time \"")
                .append(element.attribute("subtask_time").value())
                .append("\" but its tasks hold ")
                .append(Module1::FormatTime(sum, true));
        }
    }
    return std::nullopt;
}
