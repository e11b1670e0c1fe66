// Starts MERLOX: the application object, the eight long-lived windows, the
// settings, the data file of the command line, then the event loop.
#include <QFont>
#include <QFontDatabase>
#include <exception>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/main_window/main_window.h"
#include "app/settings/settings_file.h"
#include "eval/app_state.h"
#include "platform/qt/guarded_application.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/qt_translations.h"

int main(int argc, char* argv[]) {
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    QApplication::setApplicationDisplayName(QString());
    // A Japanese Gothic for the whole interface.
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(10);
    QApplication::setFont(font);
    // Qt's own dialogs speak the program's language; without the package
    // they stay English and everything else works.
    (void)InstallJapaneseQtTranslations(app);

    // The program's one state; the windows are given it as they are built.
    AppState state;
    QtServices services;
    state.SetServices(&services);
    app.SetServices(&services);

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(QString::fromLocal8Bit(argv[i]).toStdString());

    int code = 1;
    try {
        auto windows = StartApplication(state, &services, DefaultSettingsFileName(), arguments);
        if (!windows) return 1;
        windows->frmREG->show();
        code = app.exec();
        services.SetDialogParent(nullptr);
        services.SetInputDialog(nullptr);
    } catch (...) {
        GuardedApplication::ReportEscapedError(services, std::current_exception());
    }
    state.SetServices(nullptr);
    return code;
}
