// A top-level window of another program for tests: shows a window titled
// argv[1] until it is ended.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Testfenster"));
    window.resize(320, 200);
    window.show();
    return QApplication::exec();
}
