#include "support/site_file.h"

#include <QFile>

void SetFileTime(const QString& path, qint64 seconds) {
    QFile file(path);  // the time is set through an open file
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(seconds),
                                 QFileDevice::FileModificationTime));
}

void SiteOnDisk::SetUp() {
    WindowTest::SetUp();
    path = TempPath("site.hvp");
    project = LoadFile("site.hvp", site::Project(site::Task(2, "Logo") + site::Task(3, "Copy")));
}

TreeNode* SiteOnDisk::Named(const std::string& name) const {
    for (int i = 0; i < project->childCount(); ++i) {
        if (Text(project->childNode(i), "@name") == name) {
            return project->childNode(i);
        }
    }
    return nullptr;
}
