#pragma once
// The project "Site" that the merge and sync tests share: its text task by task, each
// element with an id of its own, and a window that has it loaded from its file.

#include <string>

#include "model/ids.h"
#include "support/window_fixture.h"

namespace site {

// A task with an id, its own time, its history's periods and what lies below it.
inline std::string Task(int id, const std::string& name, const std::string& time = "",
                        const std::string& history = "", const std::string& inner = "") {
    return "<task name=\"" + name + "\" completed=\"false\" task_time=\"" + time +
           "\" subtask_time=\"\" id=\"" + IdOfNumber(unsigned(id)) + "\"><description/><history>" +
           history + "</history>" + inner + "</task>";
}

inline std::string Project(const std::string& tasks, const std::string& subtaskTime = "") {
    return R"(<project name="Site" completed="false" task_time="" subtask_time=")" + subtaskTime +
           R"(" id=")" + IdOfNumber(1) + R"("><description/><history/>)" + tasks + "</project>";
}

}  // namespace site

// Gives the file the modification time `seconds` from now, as a sync engine may leave it.
void SetFileTime(const QString& path, qint64 seconds);

// A window with Site (Logo and Copy) loaded from its file.
class SiteOnDisk : public WindowTest {
  protected:
    void SetUp() override;
    // The task of that name right below the project, or none.
    TreeNode* Named(const std::string& name) const;

    QString path;
    TreeNode* project = nullptr;
};
