// The History frame's list.
#include "history/history_model.h"

#include <QFont>

#include <algorithm>

#include "history/report.h"

HistoryModel::HistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryModel::Show(pugi::xml_node top, const QTimeZone& zone) {
    beginResetModel();
    entries_.clear();
    rows_.clear();
    LocalDays days(zone);
    if (top) {
        ForEachTask(top, [&](pugi::xml_node element, const QString& path, int) {
            for (Session& session : ReadSessions(element)) {
                const QDate day =
                    session.valid ? days.DayOf(session.when, session.offset) : QDate();
                entries_.push_back({std::move(session), element, path, day});
            }
        });
    }
    // Newest first; periods whose start cannot be read go last, in document order.
    std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        if (a.session.valid != b.session.valid) {
            return a.session.valid;
        }
        return a.session.when > b.session.when;
    });
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (i == 0 || entries_[i].day != entries_[i - 1].day) {
            rows_.push_back({-1, entries_[i].day, 0});
        }
        entries_[i].row = static_cast<int>(rows_.size());
        rows_.push_back({static_cast<int>(i), entries_[i].day, 0});
    }
    // Each day's total row sums the rows below it.
    Row* total = nullptr;
    for (Row& row : rows_) {
        if (row.entry < 0) {
            total = &row;
        } else {
            total->dayTotal = AddSeconds(total->dayTotal,
                                         entries_[static_cast<size_t>(row.entry)].session.seconds);
        }
    }
    endResetModel();
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
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
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) {
        return {};
    }
    const Row& row = rows_[static_cast<size_t>(index.row())];
    if (role == Qt::FontRole && row.entry < 0) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::TextAlignmentRole && index.column() == DurationColumn) {
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (row.entry < 0) {
        switch (index.column()) {
            case DateColumn:
                return row.day.isValid() ? row.day.toString(Qt::ISODate) : QStringLiteral("?");
            case SpanColumn:
                return QStringLiteral("Total");
            case DurationColumn:
                return ClockText(row.dayTotal, true);
            default:
                return {};
        }
    }
    const Entry& entry = entries_[static_cast<size_t>(row.entry)];
    const Session& session = entry.session;
    switch (index.column()) {
        case DateColumn:
            return row.day.isValid() ? row.day.toString(Qt::ISODate) : session.start;
        case SpanColumn: {
            if (session.correction) {
                return QStringLiteral("Correction");  // a difference, not hours on a clock
            }
            if (!session.valid) {
                return {};
            }
            // Shown in the offset the period was recorded in: the hours the person saw.
            const QDateTime start =
                QDateTime::fromSecsSinceEpoch(session.when, QTimeZone(session.offset));
            // A fixed offset: the clock time of the end needs the seconds past whole days only,
            // which keeps a period of any length within what QDateTime can add.
            const QDateTime end = start.addSecs(std::max<int64_t>(session.seconds, 0) % 86400);
            return start.toString(QStringLiteral("HH:mm")) + QStringLiteral("-") +
                   end.toString(QStringLiteral("HH:mm"));
        }
        case DurationColumn:
            return ClockText(session.seconds, true);
        case TaskColumn:
            return entry.path;
        case NoteColumn:
            return session.note;
        default:
            return {};
    }
}

void HistoryModel::UpdateOpenPeriod(pugi::xml_node element, const QString& start) {
    // Read from the live element: a handle kept since Show may point nowhere by now.
    const pugi::xml_node open = OpenSessionOf(element, start);
    const auto listed = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        return entry.element == element && !entry.session.correction &&
               entry.session.start == start;
    });
    if (!open || listed == entries_.end()) {
        return;
    }
    const int64_t seconds = open.attribute("seconds").as_llong();
    const int64_t grown = seconds - listed->session.seconds;
    listed->session.node = open;
    listed->session.seconds = seconds;
    int total = listed->row;
    while (total > 0 && rows_[static_cast<size_t>(total)].entry >= 0) {
        --total;
    }
    int64_t& dayTotal = rows_[static_cast<size_t>(total)].dayTotal;
    dayTotal = AddSeconds(dayTotal, grown);
    emit dataChanged(index(total, DurationColumn), index(total, DurationColumn));
    emit dataChanged(index(listed->row, SpanColumn), index(listed->row, DurationColumn));
}

pugi::xml_node HistoryModel::SessionAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size()) ||
        rows_[static_cast<size_t>(row)].entry < 0) {
        return {};
    }
    return entries_[static_cast<size_t>(rows_[static_cast<size_t>(row)].entry)].session.node;
}

pugi::xml_node HistoryModel::ElementAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size()) ||
        rows_[static_cast<size_t>(row)].entry < 0) {
        return {};
    }
    return entries_[static_cast<size_t>(rows_[static_cast<size_t>(row)].entry)].element;
}
