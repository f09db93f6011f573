#pragma once
// Time kept aside, neither booked nor thrown away, while the person is asked what it was.

#include <QString>

class TreeNode;

struct HeldTime {
    enum class Kind { Gap, Idle };
    int id = 0;
    Kind kind = Kind::Gap;
    TreeNode* node = nullptr;  // where it would be booked; none once that node is deleted
    QString name;              // the node's name when held, to say what became of it
    double seconds = 0;
    double fromWall = 0;  // seconds since midnight
    double toWall = 0;
};

// The question about a held time, for example "The computer was asleep from 17:02 to 09:14
// (16:12:00) while timing 'Design'. Book this time?".
QString HeldTimeQuestion(const HeldTime& held);
// Its buttons, in order: Book / Discard for a gap, Keep / Discard / Discard and Stop for an
// idle stretch. Discard, the second, is the default.
QStringList HeldTimeButtons(HeldTime::Kind kind);
constexpr int kDiscardButton = 1;
constexpr int kDiscardAndStopButton = 2;
