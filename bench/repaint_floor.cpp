// The least a Qt window can spend while timing: a plain window that shows one running time
// in a tree row and in its status bar, both changed once a second, nothing else.
// bench/timing_cpu.sh measures it beside the program, so the program's figure can be read
// against what the toolkit and the display server cost on the same machine.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

namespace {

QString Clock(int seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Repaint floor"));
    auto* tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    auto* project = new QTreeWidgetItem(tree, {QStringLiteral("Load (0:00:00)")});
    auto* task = new QTreeWidgetItem(project, {QStringLiteral("Task (0:00:00)")});
    project->setExpanded(true);
    window.setCentralWidget(tree);
    auto* status = new QLabel(QStringLiteral("Timing Task 0:00:00"));
    window.statusBar()->addPermanentWidget(status);
    window.resize(587, 400);
    window.show();
    int seconds = 0;
    QTimer timer;
    timer.setInterval(1000);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const QString time = Clock(++seconds);
        task->setText(0, QStringLiteral("Task (%1)").arg(time));
        status->setText(QStringLiteral("Timing Task ") + time);
    });
    timer.start();
    return QApplication::exec();
}
