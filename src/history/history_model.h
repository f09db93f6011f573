#pragma once
// The History frame's list: the periods of a node and of everything below it, newest first,
// with a total row heading each day. A year of periods is no burden: a period is its node,
// start and day; texts (and a task's path) are made only for the rows the view shows, and
// rows reach the view in batches as it scrolls. A correction reads "Correction" where a
// period shows its hours, and counts on the day made. Two periods of one task that ran at
// the same time say "overlaps" after their hours.

#include <QAbstractTableModel>
#include <QDate>
#include <QTimeZone>

#include <pugixml.hpp>
#include <vector>

#include "history/report.h"
#include "history/sessions.h"

class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { DateColumn, SpanColumn, DurationColumn, TaskColumn, NoteColumn, ColumnCount };

    explicit HistoryModel(QObject* parent = nullptr);
    // Lists the periods of `top` and its tasks, grouped by their first day in `zone`.
    void Show(pugi::xml_node top, const QTimeZone& zone = QTimeZone::systemTimeZone());

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The timer's open period of `element` (begun at `start`, the stored form) now holds what
    // the file holds, `booked` seconds more than before: its row and its day's total row say
    // so. Nothing when it is not listed.
    void UpdateOpenPeriod(pugi::xml_node element, const QString& start, int64_t booked);

    // The period on a row and the element it belongs to; null nodes on a day's row.
    pugi::xml_node SessionAt(int row) const;
    pugi::xml_node ElementAt(int row) const;

  private:
    struct Entry {
        pugi::xml_node session;  // its element is the history's parent
        int64_t when;            // kUnreadable when its start cannot be read
        int offset;              // the UTC offset it was recorded in
        int64_t day = 0;         // the Julian day it counts on, once it has a row
        // Timed while another period of the same task ran (on two computers at once, say).
        bool overlaps = false;
    };
    struct Row {
        int entry;  // index into entries_: the period, or the first of a day's total
        bool total;
        int64_t dayTotal;
    };
    QVariant TotalData(const Row& row, int column) const;
    QVariant PeriodData(const Entry& entry, int column) const;
    QString PathOf(pugi::xml_node element) const;
    void MarkOverlaps();
    int RowOf(pugi::xml_node session) const;
    // Rows for the periods up to at least `count` rows, and on to the end of the last day.
    void BuildRows(size_t count);

    pugi::xml_node top_;
    std::vector<Entry> entries_;
    std::vector<Row> rows_;
    size_t built_ = 0;  // the periods that have rows
    int shown_ = 0;     // the rows handed to the view so far
    LocalDays days_{QTimeZone::systemTimeZone()};
};
