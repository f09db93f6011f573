// The least a Qt window can spend while timing: a plain window that shows one running time
// in a tree row and in its status bar, both changed once a second, nothing else.
// With --clock it also turns a clock image in that row every half second, as the program's
// timed row does, so that what the animation alone costs can be told apart.
// bench/timing_cpu.sh measures it beside the program, so the program's figure can be read
// against what the toolkit and the display server cost on the same machine.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

#include <cstring>
#include <vector>

namespace {

QString Clock(int seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// Eight 14-pixel clock faces, the hand an eighth of a turn further in each.
std::vector<QIcon> ClockFrames() {
    std::vector<QIcon> frames;
    for (int frame = 0; frame < 8; ++frame) {
        QPixmap face(14, 14);
        face.fill(Qt::white);
        QPainter painter(&face);
        painter.drawEllipse(1, 1, 12, 12);
        painter.translate(7, 7);
        painter.rotate(45.0 * frame);
        painter.drawLine(0, 0, 0, -5);
        painter.end();
        frames.emplace_back(face);
    }
    return frames;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const bool clock = argc > 1 && std::strcmp(argv[1], "--clock") == 0;
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
    const std::vector<QIcon> frames = ClockFrames();
    int ticks = 0;
    QTimer timer;
    timer.setInterval(clock ? 500 : 1000);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        if (clock) {
            task->setIcon(0, frames[size_t(ticks % 8)]);
            if (ticks % 2 != 0) {
                return;
            }
        }
        const QString time = Clock(clock ? ticks / 2 : ticks);
        task->setText(0, QStringLiteral("Task (%1)").arg(time));
        status->setText(QStringLiteral("Timing Task ") + time);
    });
    timer.start();
    return QApplication::exec();
}
