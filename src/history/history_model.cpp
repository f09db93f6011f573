// The History frame's list.
#include "history/history_model.h"

#include <QFont>

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t kUnreadable = std::numeric_limits<int64_t>::min();
// Rows handed to the view at a time: a screenful many times over, a year never at once.
constexpr int kBatch = 1000;

// The periods of `top` and of every task below it, element by element, parents first, in
// document order. One pass over each element's children finds both its history and its
// tasks: on a year of tasks the walk is what the list costs at start.
template <typename Visit>
void ForEachPeriodBelow(pugi::xml_node top, Visit&& visit) {
    std::vector<pugi::xml_node> stack{top};
    while (!stack.empty()) {
        const pugi::xml_node next = stack.back();
        stack.pop_back();
        const size_t before = stack.size();
        bool historySeen = false;  // only the first history is the element's
        for (pugi::xml_node child = next.first_child(); child; child = child.next_sibling()) {
            const char* name = child.name();
            if (std::strcmp(name, "task") == 0) {
                stack.push_back(child);
            } else if (!historySeen && std::strcmp(name, "history") == 0) {
                historySeen = true;
                for (pugi::xml_node session : child.children("session")) {
                    visit(session);
                }
            }
        }
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(before), stack.end());
    }
}

// Whether the last `booked` seconds of a period moved its end to another minute: its span
// shows minutes, and redrawing it every second is a good part of what a tick costs.
bool EndMinuteMoved(pugi::xml_node session, int64_t booked) {
    int64_t when = 0;
    int offset = 0;
    if (!ParseSessionStart(session.attribute("start").value(), when, offset)) {
        return true;
    }
    const int64_t end = when + session.attribute("seconds").as_llong();
    const auto minute = [](int64_t seconds) { return seconds / 60 - (seconds % 60 < 0 ? 1 : 0); };
    return minute(end) != minute(end - booked);
}

}  // namespace

HistoryModel::HistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryModel::Show(pugi::xml_node top, const QTimeZone& zone) {
    beginResetModel();
    top_ = top;
    entries_.clear();
    rows_.clear();
    built_ = 0;
    days_ = LocalDays(zone);
    if (top) {
        ForEachPeriodBelow(top, [this](pugi::xml_node session) {
            int64_t when = 0;
            int offset = 0;
            const bool valid = ParseSessionStart(session.attribute("start").value(), when, offset);
            entries_.push_back({session, valid ? when : kUnreadable, offset});
        });
    }
    MarkOverlaps();
    // Newest first; periods whose start cannot be read go last, in document order.
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.when > b.when; });
    BuildRows(kBatch);
    shown_ = static_cast<int>(rows_.size());
    endResetModel();
}

void HistoryModel::MarkOverlaps() {
    // Entries are listed element by element: each element's run is sorted by start alone.
    std::vector<Entry*> timed;  // one for all runs: a year of tasks is as many runs
    for (size_t first = 0; first < entries_.size();) {
        const pugi::xml_node history = entries_[first].session.parent();
        size_t end = first + 1;
        while (end < entries_.size() && entries_[end].session.parent() == history) {
            ++end;
        }
        if (end - first < 2) {
            first = end;  // a period alone overlaps nothing
            continue;
        }
        timed.clear();
        for (size_t i = first; i < end; ++i) {
            if (entries_[i].when != kUnreadable && !IsCorrection(entries_[i].session)) {
                timed.push_back(&entries_[i]);
            }
        }
        std::sort(timed.begin(), timed.end(),
                  [](const Entry* a, const Entry* b) { return a->when < b->when; });
        for (size_t i = 0; i < timed.size(); ++i) {
            const int64_t ends =
                AddSeconds(timed[i]->when, timed[i]->session.attribute("seconds").as_llong());
            for (size_t j = i + 1; j < timed.size() && timed[j]->when < ends; ++j) {
                timed[i]->overlaps = timed[j]->overlaps = true;
            }
        }
        first = end;
    }
}

void HistoryModel::BuildRows(size_t count) {
    size_t total = rows_.size();  // the day's total row being summed
    for (; built_ < entries_.size(); ++built_) {
        Entry& entry = entries_[built_];
        entry.day = entry.when == kUnreadable ? QDate().toJulianDay()
                                              : days_.DayOf(entry.when, entry.offset).toJulianDay();
        const bool newDay = built_ == 0 || entry.day != entries_[built_ - 1].day;
        if (newDay && rows_.size() >= count) {
            break;  // a day is listed whole, with its total
        }
        if (newDay) {
            total = rows_.size();
            rows_.push_back({static_cast<int>(built_), true, 0});
        }
        rows_.push_back({static_cast<int>(built_), false, 0});
        rows_[total].dayTotal =
            AddSeconds(rows_[total].dayTotal, entry.session.attribute("seconds").as_llong());
    }
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && built_ < entries_.size();
}

void HistoryModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) {
        return;
    }
    BuildRows(rows_.size() + kBatch);
    beginInsertRows({}, shown_, static_cast<int>(rows_.size()) - 1);
    shown_ = static_cast<int>(rows_.size());
    endInsertRows();
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const captions[] = {"Date", "Time", "Duration", "Task", "Note"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(captions[section])
                                                 : QVariant();
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_) {
        return {};
    }
    const Row& row = rows_[static_cast<size_t>(index.row())];
    if (role == Qt::FontRole && row.total) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::ToolTipRole && !row.total && index.column() == SpanColumn &&
        entries_[static_cast<size_t>(row.entry)].overlaps) {
        return QStringLiteral(
            "Timed at the same time as another period of this task (on another computer, say)");
    }
    if (role == Qt::TextAlignmentRole && index.column() == DurationColumn) {
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return row.total ? TotalData(row, index.column())
                     : PeriodData(entries_[static_cast<size_t>(row.entry)], index.column());
}

QVariant HistoryModel::TotalData(const Row& row, int column) const {
    const QDate day = QDate::fromJulianDay(entries_[static_cast<size_t>(row.entry)].day);
    switch (column) {
        case DateColumn:
            return day.isValid() ? day.toString(Qt::ISODate) : QStringLiteral("?");
        case SpanColumn:
            return QStringLiteral("Total");
        case DurationColumn:
            return ClockText(row.dayTotal, true);
        default:
            return {};
    }
}

QVariant HistoryModel::PeriodData(const Entry& entry, int column) const {
    const pugi::xml_node session = entry.session;
    const int64_t seconds = session.attribute("seconds").as_llong();
    switch (column) {
        case DateColumn: {
            const QDate day = QDate::fromJulianDay(entry.day);
            return day.isValid() ? day.toString(Qt::ISODate)
                                 : QString::fromUtf8(session.attribute("start").value());
        }
        case SpanColumn: {
            if (IsCorrection(session)) {
                return QStringLiteral("Correction");  // a difference, not hours on a clock
            }
            int64_t when = 0;
            int offset = 0;
            if (!ParseSessionStart(session.attribute("start").value(), when, offset)) {
                return {};
            }
            // Shown in the offset the period was recorded in: the hours the person saw.
            const QDateTime start = QDateTime::fromSecsSinceEpoch(when, QTimeZone(offset));
            // A fixed offset: the clock time of the end needs the seconds past whole days only,
            // which keeps a period of any length within what QDateTime can add.
            const QDateTime end = start.addSecs(std::max<int64_t>(seconds, 0) % 86400);
            return start.toString(QStringLiteral("HH:mm")) + QStringLiteral("-") +
                   end.toString(QStringLiteral("HH:mm")) +
                   (entry.overlaps ? QStringLiteral(" overlaps") : QString());
        }
        case DurationColumn:
            return ClockText(seconds, true);
        case TaskColumn:
            return PathOf(session.parent().parent());
        case NoteColumn:
            return QString::fromUtf8(session.attribute("note").value());
        default:
            return {};
    }
}

// The names from below the listed node down to the element, joined by "/".
QString HistoryModel::PathOf(pugi::xml_node element) const {
    QStringList names;
    for (pugi::xml_node at = element; at && at != top_; at = at.parent()) {
        names.prepend(QString::fromUtf8(at.attribute("name").value()));
    }
    return names.join(QLatin1Char('/'));
}

int HistoryModel::RowOf(pugi::xml_node session) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (!rows_[i].total && entries_[static_cast<size_t>(rows_[i].entry)].session == session) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void HistoryModel::UpdateOpenPeriod(pugi::xml_node element, const QString& start, int64_t booked) {
    // The open period is stored as the file holds it: only its day's total keeps a sum.
    const pugi::xml_node open = OpenSessionOf(element, start);
    const int row = open ? RowOf(open) : -1;
    if (row < 0) {
        return;
    }
    int total = row;
    while (total > 0 && !rows_[static_cast<size_t>(total)].total) {
        --total;
    }
    // The day's sum again, from the stored periods: the tick's own seconds are not told.
    int64_t dayTotal = 0;
    for (size_t i = size_t(total) + 1; i < rows_.size() && !rows_[i].total; ++i) {
        const pugi::xml_node session = entries_[static_cast<size_t>(rows_[i].entry)].session;
        dayTotal = AddSeconds(dayTotal, session.attribute("seconds").as_llong());
    }
    rows_[static_cast<size_t>(total)].dayTotal = dayTotal;
    if (row < shown_) {
        emit dataChanged(index(total, DurationColumn), index(total, DurationColumn));
        emit dataChanged(index(row, EndMinuteMoved(open, booked) ? SpanColumn : DurationColumn),
                         index(row, DurationColumn));
    }
}

pugi::xml_node HistoryModel::SessionAt(int row) const {
    if (row < 0 || row >= shown_ || rows_[static_cast<size_t>(row)].total) {
        return {};
    }
    return entries_[static_cast<size_t>(rows_[static_cast<size_t>(row)].entry)].session;
}

pugi::xml_node HistoryModel::ElementAt(int row) const {
    return SessionAt(row).parent().parent();
}
