// The least a Qt window can spend while timing: a 500 ms timer that repaints a 14-pixel
// square on every tick and one line of text every second, nothing else. bench/timing_cpu.sh
// measures it beside the program, so the program's figure can be read against what the
// toolkit and the display server cost on the same machine.
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace {

class Square : public QWidget {
  public:
    void Turn() {
        ++frame_;
        update(QRect(0, 0, 14, 14));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRect(0, 0, 14, 14), frame_ % 2 != 0 ? Qt::black : Qt::white);
    }

  private:
    int frame_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Repaint floor"));
    auto* layout = new QVBoxLayout(&window);
    auto* square = new Square;
    auto* text = new QLabel(QStringLiteral("Timing Task 0:00:00"));
    layout->addWidget(square);
    layout->addWidget(text);
    window.resize(587, 400);
    window.show();
    int ticks = 0;
    QTimer timer;
    timer.setInterval(500);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        square->Turn();
        if (++ticks % 2 == 0) {
            text->setText(
                QStringLiteral("Timing Task 0:00:%1").arg(ticks / 2 % 60, 2, 10, QLatin1Char('0')));
        }
    });
    timer.start();
    return QApplication::exec();
}
