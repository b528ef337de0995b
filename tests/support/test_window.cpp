// A top-level window of another program for tests: shows a window titled
// argv[1] until it is ended.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QString::fromLocal8Bit(argv[argc - 1]));
    window.show();
    return QApplication::exec();
}
