// The yardstick for start-up time and memory: a bare Qt Widgets window of the main
// window's size, with nothing in it. bench/startup.sh starts it alternately with the game.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(600, 484);
    window.show();
    return QApplication::exec();
}
