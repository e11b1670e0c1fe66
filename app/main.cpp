// Starts MERLOX: the application object and the main window.
#include <QApplication>
#include <QMainWindow>

#include "eval/app_state.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The program's one state; the windows are given it as they are built.
    AppState state;
    QApplication::setApplicationName(QStringLiteral("回帰分析 MERLOX"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("回帰分析 MERLOX"));
    window.resize(960, 640);
    window.show();
    return app.exec();
}
